#pragma once

#include <QCursor>
#include <QGuiApplication>

// Shows shape over every window of the program for the life of the object.
// Override cursors stack, so nested guards restore each other in turn.
class OverrideCursor {
public:
    explicit OverrideCursor(Qt::CursorShape shape) {
        QGuiApplication::setOverrideCursor(QCursor(shape));
    }
    ~OverrideCursor() { QGuiApplication::restoreOverrideCursor(); }
    OverrideCursor(const OverrideCursor&) = delete;
    OverrideCursor& operator=(const OverrideCursor&) = delete;
};
