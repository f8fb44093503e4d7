// SPDX-License-Identifier: MIT
#include "fleet/check/LineSplitter.h"

namespace korva5::fleet {

LineSplitter::LineSplitter(Framing framing, Sink sink)
    : m_mode(framing == Framing::Lf ? Mode::Lf : Mode::Undecided)
    , m_sink(std::move(sink))
{
}

void LineSplitter::append(QByteArrayView piece)
{
    if (m_cut || piece.isEmpty())
        return;
    const qsizetype room = LongestLine - m_line.size();
    if (piece.size() <= room) {
        m_line += piece;
        return;
    }
    m_line += piece.first(room);
    m_cut = true;
}

void LineSplitter::endLine()
{
    if (!m_line.isEmpty() || m_cut)
        m_sink(m_line, !m_cut);
    m_line.clear();
    m_cut = false;
}

void LineSplitter::feed(QByteArrayView data)
{
    qsizetype at = 0;
    while (at < data.size()) {
        if (m_mode == Mode::CrLf) {
            if (m_pendingCr) {
                m_pendingCr = false;
                if (data[at] == '\n') {
                    endLine();
                    ++at;
                    continue;
                }
                append("\r"); // a CR inside a line belongs to it
            }
            const qsizetype cr = data.indexOf('\r', at);
            if (cr < 0) {
                append(data.sliced(at));
                return;
            }
            append(data.sliced(at, cr - at));
            m_pendingCr = true;
            at = cr + 1;
            continue;
        }
        const qsizetype lf = data.indexOf('\n', at);
        if (lf < 0) {
            append(data.sliced(at));
            return;
        }
        append(data.sliced(at, lf - at));
        if (m_mode == Mode::Undecided) {
            // The first line end decides. A first line cut short for its length tells nothing
            // about the framing: LF is the rule that trusts the least.
            const bool crlf = !m_cut && m_line.endsWith('\r');
            m_mode = crlf ? Mode::CrLf : Mode::Lf;
            if (crlf)
                m_line.chop(1);
        }
        endLine();
        at = lf + 1;
    }
}

void LineSplitter::finish()
{
    if (m_pendingCr) {
        m_pendingCr = false;
        append("\r");
    }
    endLine();
}

} // namespace korva5::fleet
