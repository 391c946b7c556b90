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
    // The sound server's name of the recording line the user chose over the usual one
    // (the monitor of the default output); empty while the usual one is in use.
    virtual QString chosenSource() const = 0;
    // Restores a saved choice; false, keeping the usual line, for a source not listed now.
    // The choice is kept by name and selected again whenever the line comes back.
    virtual bool chooseSource(const QString &sourceName) = 0;
};
