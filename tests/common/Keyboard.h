#pragma once

#include <QGuiApplication>
#include <QTest>

// Under Wayland only the compositor hands out the keyboard, and the headless one of the test pass
// has no seat to hand it to: what needs an active window or a focused control is left to the
// other passes there.
#define KW_SKIP_WITHOUT_KEYBOARD()                                                                 \
    do {                                                                                           \
        if (QGuiApplication::platformName() == QLatin1String("wayland"))                           \
            QSKIP("no window gets the keyboard from a compositor without a seat");                 \
    } while (false)
