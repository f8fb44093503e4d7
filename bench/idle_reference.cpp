// SPDX-License-Identifier: MIT
// The reference for bench/idle: the least a Qt Widgets program does that shows a window and
// updates a label once a second.
#include <QApplication>
#include <QLabel>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("0"));
    label.setWindowTitle(QStringLiteral("idle reference"));
    label.resize(696, 467);
    int seconds = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { label.setText(QString::number(++seconds)); });
    timer.start(1000);
    label.show();
    return QApplication::exec();
}
