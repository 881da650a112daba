#pragma once

#include <functional>

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

// Runs step on the modal dialog once its loop has started (for dialogs whose DoModal the test
// then calls).
inline void WhenShown(std::function<void(QWidget*)> step)
{
    QTimer::singleShot(0, [step] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        step(dialog);
    });
}
