#pragma once

#include <QWidget>

// The mixer line panel that the recorder window hosts under "Select Recording Source".
// The window owns it once given and drives it at every load and unload.
class RecorderSourcePanel : public QWidget
{
public:
    using QWidget::QWidget;

    // The panel's own load steps; run first at every load of the window.
    virtual void prepare() = 0;
    // The selected line's position in the list, -1 for none.
    virtual int selectedLine() const = 0;
    // Selects a saved line; false, changing nothing, for a position the list does not have.
    virtual bool selectLine(int index) = 0;
};
