// SPDX-License-Identifier: MIT
#include "core/schedule/SecondTicker.h"

namespace korva5 {

void SecondTicker::tick()
{
    if (++m_second > 59) {
        m_second = 0;
        emit minutePassed();
    }
    emit secondPassed(m_second);
}

} // namespace korva5
