#pragma once
// Drives the modal dialogs that the code under test shows: a timer waits for
// the next modal widget and hands it to the test's answer, which fills it in
// and clicks a button as an operator would.
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

inline void AnswerNextModal(std::function<void(QWidget *)> answer)
{
    auto *timer = new QTimer(qApp);
    auto waited = std::make_shared<int>(0);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, answer, waited] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal) {
            if (++*waited > 3000) { // about 30 s: the dialog never came
                ADD_FAILURE() << "no modal dialog was shown";
                timer->deleteLater();
            }
            return;
        }
        timer->stop();
        timer->deleteLater();
        answer(modal);
    });
    timer->start();
}

// The dialog's child of that name; a missing child fails the test and closes
// the dialog so the test does not hang.
template <typename T>
T *ChildOf(QWidget *dialog, const char *name)
{
    T *child = dialog->findChild<T *>(QLatin1String(name));
    if (!child) {
        ADD_FAILURE() << "no child " << name << " in " << dialog->metaObject()->className();
        QMetaObject::invokeMethod(dialog, "close", Qt::QueuedConnection);
    }
    return child;
}

inline void ClickChild(QWidget *dialog, const char *name)
{
    if (auto *button = ChildOf<QWidget>(dialog, name))
        QTest::mouseClick(button, Qt::LeftButton);
}
