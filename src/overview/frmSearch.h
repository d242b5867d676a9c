#pragma once
// "Search for ...": each Enter finds the next cell of the vocabulary grid
// whose text contains the search text, without regard to case, row by row
// from the last hit. The hit is brought into view, coloured, and becomes the
// grid's current cell, its row's record the current item; the grid's end is
// reported and the next search starts at the top. Esc closes and gives the
// hit cell its colour back.

#include <QDialog>

class QLineEdit;

namespace overview {

class DialogsHost;

// Where the last hit was, kept for the whole run so that a search opened
// again goes on after it. Row 0: the next search starts at the top.
inline long SearchRow = 0;
inline long SearchCol = 0;

// The colour of the hit cell (&HBBGGRR).
constexpr long SearchHitColour = 0xAACCFF;

class frmSearch : public QDialog {
    Q_OBJECT
public:
    explicit frmSearch(DialogsHost& host, QWidget* parent = nullptr);

    void Form_Load();
    // Esc closes the window; Enter searches and is swallowed. Returns the
    // key to pass on (0 when taken).
    int txtS_KeyPress(int keyAscii);
    // One Enter: the next hit after the last one.
    void FindNext();
    void Form_Unload();

    long hitRow() const { return hitRow_; }
    long hitColumn() const { return hitCol_; }

    QLineEdit* txtS = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Every way of closing (Esc, the close box) ends in the unload.
    void done(int result) override;

private:
    void tellHit(long col);

    DialogsHost& host_;
    long hitRow_ = 0;
    long hitCol_ = 0;
    long savedColour_ = -1;
    bool unloaded_ = false;
};

// The toolbar's search button, F3 and Ctrl+F: loads and shows the window
// modally.
void ShowSearch(DialogsHost& host);

}  // namespace overview
