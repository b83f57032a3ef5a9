#pragma once

#include "dialogs/Dumpable.h"

#include <QWidget>

// The bar of a progress page: a frame and the part done, painted plainly. (The style's own
// progress bar paints through the graphics library's thread pool, which no test could then
// tell from a race of ours.) The screen dump shows it as "[progress N%]".
class ProgressStrip : public QWidget, public Dumpable {
public:
    ProgressStrip();
    // The part done, 0 to 1.
    void setPart(double part);
    void dumpTo(DumpWriter& writer) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_permille = 0;
};
