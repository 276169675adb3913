#include "lists/SelectionBoxes.h"

SelectionBoxes SyncSelectionBoxes(SelectionBoxes boxes, int checkedRows, int allRows) {
    if (boxes.selectAll && checkedRows < allRows)
        boxes.selectAll = false;
    else if (!boxes.selectAll && checkedRows == allRows)
        boxes.selectAll = true;
    if (boxes.deselectAll && checkedRows > 0)
        boxes.deselectAll = false;
    else if (!boxes.deselectAll && checkedRows == 0)
        boxes.deselectAll = true;
    return boxes;
}
