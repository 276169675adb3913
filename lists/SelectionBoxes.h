#pragma once

// The "Select All" and "Deselect All" boxes of a list page follow the ticks of
// its rows: with every row ticked only "Select All" shows ticked, with none only
// "Deselect All".
struct SelectionBoxes {
    bool selectAll = false;
    bool deselectAll = false;
};

SelectionBoxes SyncSelectionBoxes(SelectionBoxes boxes, int checkedRows, int allRows);
