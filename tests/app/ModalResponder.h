#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

// Acts on the first window of type T that opens as a popup or modal window,
// from a timer, so a test can answer what the code under test runs with
// exec(). It stops looking when it goes out of scope.
template <class T> class ModalResponder {
public:
    explicit ModalResponder(std::function<void(T&)> respond) : act(std::move(respond)) {
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            QWidget* window = QApplication::activePopupWidget();
            if (!window)
                window = QApplication::activeModalWidget();
            auto* target = qobject_cast<T*>(window);
            if (!target || !target->isVisible())
                return;
            timer.stop();
            answered = true;
            act(*target);
        });
        timer.start();
    }

    bool Answered() const { return answered; }

private:
    std::function<void(T&)> act;
    QTimer timer;
    bool answered = false;
};
