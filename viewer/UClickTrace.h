#pragma once
// The click recorder: the last sixteen key presses and mouse-button presses
// the application dispatched, for the crash report. Each entry holds the
// tick count, the kind ("KDOWN", "LDOWN", "RDOWN", "MDOWN"), the class name
// and text of the widget that received it (64 characters at most) and, for a
// key, its key code. Nothing typed into an edit box is ever kept: for those
// only the code of a key below 32 (Enter, Tab, Escape, Backspace) is
// recorded, and never their text.

#include <QString>

#include <array>
#include <optional>
#include <vector>

class QEvent;
class QObject;
class QWidget;

// Milliseconds since the machine started (never 0).
quint64 TickCount();

// The key code of a Qt key as the desktop's virtual keys number them
// (Enter 13, Tab 9, Escape 27, letters 65-90, F1 112 ...); 0 when it has none.
int VirtualKeyCode(int qtKey);

// A widget that takes typed text (line and text edits, spin boxes, editable
// combo boxes, anything that accepts input methods), or the viewport of one.
bool IsEditBox(const QWidget* widget);

struct TClickTraceEntry {
    quint64 Ticks = 0;  // 0: a free entry
    QString Type;
    QString ClassName;
    QString Text;
    std::optional<int> Data;
    bool EditBox = false;
};

class TClickTrace {
public:
    static constexpr int Size = 16;

    // Looks at an event about to be dispatched and records it when it is a
    // key press or a button press delivered to a widget.
    void Record(const QObject* receiver, const QEvent* event);
    void Add(TClickTraceEntry entry);
    // The used entries, newest first.
    std::vector<TClickTraceEntry> NewestFirst() const;
    void Clear();

    quint64 StartTicks = TickCount();

private:
    std::array<TClickTraceEntry, Size> FRing;
    int FNext = 0;
};

// The program's recorder (written from the user-interface thread only).
TClickTrace& ClickTrace();
