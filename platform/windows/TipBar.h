// The tip bar: a small borderless pop-up in the tooltip colour showing one or
// more lines of text at a point on the screen. The framework sets the text,
// place and visible flag; the window follows at the next Update (idle time).
#pragma once

#include "appkit/Wnd.h"

#include "core/TevServices.h"

class CTipBar : public CWnd, public CTevTipBar {
public:
    CTipBar() = default;
    ~CTipBar() override;

    // The hidden window, owned by the main window; true when it exists.
    bool Create();
    // Moves and sizes the window when visible and dirty, then shows or hides it.
    void Update() override;

    // Width of the longest line + 1 and the sum of the line heights, in the
    // default GUI font.
    SIZE MeasureText(HDC dc) const;

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void OnPaint();
};

// The framework's waiting services on Windows: sleeping and the counted wait
// cursor of the application.
void SleepMilliseconds(DWORD milliseconds);
void BeginWaitCursor();
void EndWaitCursor();
