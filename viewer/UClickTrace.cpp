// The click recorder.
#include "UClickTrace.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

#include <ctime>

quint64 TickCount() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const quint64 ms = quint64(now.tv_sec) * 1000 + quint64(now.tv_nsec) / 1000000;
    return ms == 0 ? 1 : ms;
}

int VirtualKeyCode(int key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return key;  // 65..90, as Qt numbers them
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return key;  // 48..57
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 112 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    case Qt::Key_Pause: return 19;
    case Qt::Key_CapsLock: return 20;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Print: return 44;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    default: return key > 32 && key < 127 ? QChar(key).toUpper().unicode() : 0;
    }
}

static bool takesText(const QWidget* w) {
    if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QTextEdit*>(w) ||
        qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w))
        return true;
    if (const auto* combo = qobject_cast<const QComboBox*>(w); combo && combo->isEditable()) return true;
    return w->testAttribute(Qt::WA_InputMethodEnabled);
}

bool IsEditBox(const QWidget* widget) {
    if (!widget) return false;
    if (takesText(widget)) return true;
    // A text edit's viewport receives its mouse presses.
    return widget->objectName() == QLatin1String("qt_scrollarea_viewport") && widget->parentWidget() &&
           takesText(widget->parentWidget());
}

namespace {

QString shortened(const QString& text) { return text.left(64); }

QString widgetText(const QWidget* widget) {
    const QVariant text = widget->property("text");
    if (text.metaType().id() == QMetaType::QString && !text.toString().isEmpty()) return text.toString();
    const QVariant title = widget->property("title");
    if (title.metaType().id() == QMetaType::QString && !title.toString().isEmpty()) return title.toString();
    return widget->windowTitle();
}

}  // namespace

void TClickTrace::Record(const QObject* receiver, const QEvent* event) {
    // Events reach the top-level window first and are then passed to the
    // widget concerned; only that second delivery is recorded.
    if (!receiver || !receiver->isWidgetType()) return;
    TClickTraceEntry entry;
    if (event->type() == QEvent::KeyPress) {
        entry.Type = QStringLiteral("KDOWN");
        entry.Data = VirtualKeyCode(static_cast<const QKeyEvent*>(event)->key());
    } else if (event->type() == QEvent::MouseButtonPress) {
        switch (static_cast<const QMouseEvent*>(event)->button()) {
        case Qt::LeftButton: entry.Type = QStringLiteral("LDOWN"); break;
        case Qt::RightButton: entry.Type = QStringLiteral("RDOWN"); break;
        case Qt::MiddleButton: entry.Type = QStringLiteral("MDOWN"); break;
        default: return;
        }
    } else {
        return;
    }
    const auto* widget = static_cast<const QWidget*>(receiver);
    entry.ClassName = shortened(QString::fromLatin1(widget->metaObject()->className()));
    entry.EditBox = IsEditBox(widget);
    if (entry.EditBox) {
        if (entry.Data && *entry.Data >= 32) entry.Data.reset();
    } else {
        entry.Text = shortened(widgetText(widget));
    }
    entry.Ticks = TickCount();
    Add(std::move(entry));
}

void TClickTrace::Add(TClickTraceEntry entry) {
    if (entry.Ticks == 0) entry.Ticks = 1;
    FRing[size_t(FNext)] = std::move(entry);
    FNext = (FNext + 1) % Size;
}

std::vector<TClickTraceEntry> TClickTrace::NewestFirst() const {
    std::vector<TClickTraceEntry> out;
    for (int i = 1; i <= Size; ++i) {
        const TClickTraceEntry& entry = FRing[size_t((FNext - i + Size) % Size)];
        if (entry.Ticks != 0) out.push_back(entry);
    }
    return out;
}

void TClickTrace::Clear() {
    FRing = {};
    FNext = 0;
}

TClickTrace& ClickTrace() {
    static TClickTrace trace;
    return trace;
}
