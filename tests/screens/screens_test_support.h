#pragma once

// Helpers for driving the adult screens through their real controls.

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QList>
#include <QPair>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>

#include <csignal>

#include "screens/screen_parts.h"
#include "support/files.h"
#include "ui/message_box.h"

#if defined(Q_OS_UNIX)
#include <sys/resource.h>
#endif

// A number written with the full-width digits "０" to "９", as the value boxes show it.
inline QString fullWidthDigits(int value) {
    static const QString wide = QStringLiteral("０１２３４５６７８９");
    QString text;
    for (const QChar c : QString::number(value))
        text.append(wide.at(c.digitValue()));
    return text;
}

// Collects the message boxes the screen shows instead of opening them.
class WarningRecorder {
public:
    WarningRecorder() {
        setWarningHandlerForTests([this](const QString& text, const QString& title) {
            messages.append({text, title});
        });
    }
    ~WarningRecorder() { setWarningHandlerForTests({}); }
    WarningRecorder(const WarningRecorder&) = delete;
    WarningRecorder& operator=(const WarningRecorder&) = delete;

    QList<QPair<QString, QString>> messages;
};

// What an adult screen's message line shows as a problem (in red); empty when it shows none.
inline QString problemShown(const QWidget& screen) {
    // Looked up as the label it is: Qt 6.8 finds only classes that declare Q_OBJECT.
    const auto* line = dynamic_cast<const ScreenParts::MessageLine*>(
        screen.findChild<QLabel*>(QStringLiteral("messageLine")));
    return line != nullptr && line->showsProblem() ? line->text() : QString();
}

// While one lives, no file of this process can grow beyond one byte: every save fails the way a
// full disk makes it fail, whoever runs the test (even an administrator, whom a read-only folder
// would not stop).
class FailingWrites {
public:
    FailingWrites() {
#if defined(Q_OS_UNIX)
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit tiny = m_old;
        tiny.rlim_cur = 1;
        setrlimit(RLIMIT_FSIZE, &tiny);
#endif
    }
    ~FailingWrites() {
#if defined(Q_OS_UNIX)
        setrlimit(RLIMIT_FSIZE, &m_old);
#endif
    }
    FailingWrites(const FailingWrites&) = delete;
    FailingWrites& operator=(const FailingWrites&) = delete;

private:
#if defined(Q_OS_UNIX)
    rlimit m_old{};
#endif
};

// A click on the push button `name` of `window`.
inline void clickButton(const QWidget* window, const char* name) {
    auto* button = window->findChild<QPushButton*>(QString::fromLatin1(name));
    QVERIFY2(button != nullptr, name);
    QTest::mouseClick(button, Qt::LeftButton);
}

// A picture of one colour, `width` x `height`, as a file of `format` ("PNG", "JPEG", "WEBP"...)
// holds it.
inline QByteArray filledPicture(int width, int height, const QColor& colour, const char* format) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// A click on an option button's round indicator (its caption may end well before its right edge).
inline void clickOption(QRadioButton* option) {
    QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));
}

// Where a part of a scroll bar is: its arrows, or the track on either side of the thumb.
inline QPoint scrollBarPart(QScrollBar* bar, QStyle::SubControl part) {
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.subControls = QStyle::SC_All;
    option.orientation = bar->orientation();
    option.state |= QStyle::State_Horizontal;
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, part, bar).center();
}

// Sets a scroll bar the way a user at the keyboard would: Home, then the right arrow.
inline void setByKeys(QScrollBar* bar, int value) {
    bar->setFocus();
    QTest::keyClick(bar, Qt::Key_Home);
    for (int v = bar->minimum(); v < value; ++v)
        QTest::keyClick(bar, Qt::Key_Right);
}
