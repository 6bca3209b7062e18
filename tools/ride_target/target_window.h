// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The stand-in for the roaming program: takes the keyboard focus, draws a cross where the
// pointer is, and lists every key it receives with the time (also on stdout, one per line).
#include "ride_target/x11_focus.h"

#include <QPoint>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <deque>

namespace ride::target {

struct TargetSettings {
    // Take the focus back whenever another window took it (the console's network window
    // does when it opens), so that no keystroke lands in a terminal.
    bool keepFocus = false;
    bool quitOnEscape = false;
};

class TargetWindow : public QWidget {
public:
    explicit TargetWindow(TargetSettings settings);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct ReceivedKey {
        QString time;
        QString name;
    };

    void pollPointer();
    void claimFocus();
    void print(const QString& line);

    TargetSettings settings_;
    X11Focus x11Focus_;
    QTimer pointerTimer_;
    QTimer focusTimer_;
    int focusAttempts_ = 0;
    bool active_ = false;
    QPoint pointer_{-1, -1};
    std::deque<ReceivedKey> keys_;
    long keyCount_ = 0;
};

} // namespace ride::target
