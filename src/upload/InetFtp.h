// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>

// The FTP transfer control of the main window. It holds the server address and the login that
// later transfers use.
class InetFtp : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString ServerAddress READ serverAddress WRITE setServerAddress)
    Q_PROPERTY(QString UserName READ userName WRITE setUserName)
    Q_PROPERTY(QString Password READ password WRITE setPassword)

public:
    explicit InetFtp(QObject *parent = nullptr);
    ~InetFtp() override;

    QString serverAddress() const { return m_serverAddress; }
    void setServerAddress(const QString &address) { m_serverAddress = address; }
    QString userName() const { return m_userName; }
    void setUserName(const QString &name) { m_userName = name; }
    QString password() const { return m_password; }
    void setPassword(const QString &password) { m_password = password; }

private:
    QString m_serverAddress;
    QString m_userName;
    QString m_password;
};
