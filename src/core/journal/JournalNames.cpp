// SPDX-License-Identifier: MIT
#include "core/journal/Journal.h"

namespace korva5 {

// How triggers and outcomes are spelled in the journal's file; the file is read by later
// versions and by people with the sqlite3 tool, so these never change.
namespace {

struct Name
{
    Trigger trigger;
    const char *text;
};
constexpr Name TriggerNames[] = {{Trigger::Manual, "manual"},
                                 {Trigger::Yesterday, "yesterday"},
                                 {Trigger::Slot, "slot"},
                                 {Trigger::Retry, "retry"},
                                 {Trigger::CatchUp, "catch-up"}};

struct OutcomeText
{
    Outcome outcome;
    const char *text;
};
constexpr OutcomeText OutcomeNames[] = {{Outcome::Asked, "asked"},
                                        {Outcome::Running, "running"},
                                        {Outcome::Succeeded, "succeeded"},
                                        {Outcome::Failed, "failed"}};

} // namespace

QString triggerName(Trigger trigger)
{
    for (const Name &name : TriggerNames)
        if (name.trigger == trigger)
            return QString::fromLatin1(name.text);
    return {};
}

std::optional<Trigger> triggerFromName(const QString &text)
{
    for (const Name &name : TriggerNames)
        if (text == QLatin1String(name.text))
            return name.trigger;
    return std::nullopt;
}

QString outcomeName(Outcome outcome)
{
    for (const OutcomeText &name : OutcomeNames)
        if (name.outcome == outcome)
            return QString::fromLatin1(name.text);
    return {};
}

std::optional<Outcome> outcomeFromName(const QString &text)
{
    for (const OutcomeText &name : OutcomeNames)
        if (text == QLatin1String(name.text))
            return name.outcome;
    return std::nullopt;
}

} // namespace korva5
