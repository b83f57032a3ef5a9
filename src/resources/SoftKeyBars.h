#pragma once

#include <QString>

// The soft-key bars: for each bar, the menu its drop-down buttons open and its one or two
// buttons. A plain button sends its command; a drop-down button opens a pop-up of the menu.
struct SoftKey {
    QString label;
    int commandId = 0;      // plain buttons
    int popupIndex = -1;    // drop-down buttons: the pop-up of the bar's menu they open
    bool isDropDown() const { return popupIndex >= 0; }
};

struct SoftKeyBarData {
    int id = 0;
    int menuId = 0;
    SoftKey left;
    SoftKey right;          // an empty label: the bar has one button
    bool hasRight() const { return !right.label.isEmpty(); }
};

namespace SoftKeyBars {
// The bar of an id; null for an unknown one.
const SoftKeyBarData* bar(int barId);
}  // namespace SoftKeyBars
