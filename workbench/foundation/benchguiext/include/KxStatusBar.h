// KxStatusBar: a status bar along the bottom of its parent with one message item (id 42), a help-text
// mode that shows a text over the whole bar, and a progress bar painted by hand at its right end.
#pragma once

#include <sv.h>

class KxStatusBar : public StatusBar {
public:
    static constexpr unsigned short kMessageItem = 42;

    // The parent must be given. Inserts the message item and places the bar at the parent's bottom.
    KxStatusBar(Window* parent, unsigned short style);
    KxStatusBar(Window* parent, const ResId& id);
    // Clears the progress bar.
    ~KxStatusBar() override;

    void Paint(const Rectangle& rect) override;

    // Spans the parent's width at its bottom; the message item as wide as the parent less 10.
    void ResizeToParent();
    void resize(short x, short y, short width, short height);
    // The text over the whole bar, the items hidden.
    void DisplayHelpText(const String& text);
    // The items again, with the text in the message item.
    void DisplayNormalMessage(const String& text);
    // Shows the percentage: a segment for each 5 percent. The progress area is placed from the
    // bar's size when the progress bar is first shown.
    void SetProgressBar(short percent);
    // Draws over the progress area and forgets its place.
    void ClearProgressBar();

private:
    void Init(Window* parent);
    void ResetMessageItem(long width);
    void PaintProgressBar();

    int progressShown_ = 0;
    int areaToBePlaced_ = 1;
    short progress_ = 0;
    short left_ = 0, right_ = 0, top_ = 0, bottom_ = 0;
};
