// SPDX-License-Identifier: MIT
#include "InetFtp.h"

InetFtp::InetFtp(QObject *parent)
    : QObject(parent)
{
}

InetFtp::~InetFtp() = default;
