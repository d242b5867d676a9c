#pragma once
// What the grid's pop-up menu shows for the current item: the entries that
// depend on the item's media, mark and answers and on the column options;
// and the two hint lines of the overview toolbar's buttons.

#include <QString>
#include <map>

namespace overview {

class RecordAccess;

struct GridMenuState {
    bool delSoundEnabled = false;
    bool delPicEnabled = false;
    int markCaption = 102;  // message id: 102 "&Check", 103 "Un&check"
    // Whether the answer entries are set at all: for an item type other
    // than 0 and 1 they keep what they had.
    bool answersTouched = false;
    bool answersVisible = false;  // with the separator mnuM
    bool askAllChecked = false;
    bool orderEnabled = false;
    bool orderChecked = false;
    // Check marks of the column entries, by entry name.
    std::map<QString, bool> viewChecked;
};

// item: the current record of the grid's recordset; options: the options
// record. Raises what reading the item raises.
GridMenuState gridMenuState(const RecordAccess& item, const RecordAccess& options);

struct ToolbarHint {
    int text = 0;      // message id of the hint
    int shortcut = 0;  // message id of the shortcut line
};
// The hint of the button cmdOverview1_<name>; {0, 0} for an unknown name.
ToolbarHint toolbarHint(const QString& name, bool recording);

}  // namespace overview
