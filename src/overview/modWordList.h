#pragma once
// The head of one page of a printed word list: a title line with the
// database's name and number of items, the page line, and a rule.

#include <QFont>
#include <QString>

class QPainter;
class QPrinter;

namespace overview {

// The printer as a page is printed on it, with the old printer object's
// habits: a current position in twips from the page's printable top left,
// Print() writes one line there and moves down a line, the page number
// counts from 1.
class PagePrinter {
public:
    // Starts the document on printer (a PDF file in tests, else the default
    // printer). The caller ends it with EndDoc.
    explicit PagePrinter(QPrinter& printer);
    ~PagePrinter();
    PagePrinter(const PagePrinter&) = delete;
    PagePrinter& operator=(const PagePrinter&) = delete;

    bool isActive() const;
    double CurrentX = 0;  // twips
    double CurrentY = 0;
    int Page() const { return page_; }
    // Printable width and height in twips.
    double Width() const;
    double Height() const;

    QFont Font;
    // Prints text at the current position and ends the line.
    void Print(const QString& text);
    // A line in black, in twips.
    void Line(double x1, double y1, double x2, double y2);
    void NewPage();
    void EndDoc();

private:
    double pxPerTwipX() const;
    double pxPerTwipY() const;

    QPrinter& printer_;
    QPainter* painter_ = nullptr;
    int page_ = 1;
};

// The title line's text: message 135, the name, "  (", the count, message
// 136, ")". There is no singular: one item reads "(1 Words)".
QString WordListTitle(const QString& vokDBName, long recordCount);

// Prints the head at the printer's current page: nothing when flag is
// non-zero. vokDBName is the open database's display name, recordCount the
// number of items of the grid's recordset. Starts and ends no page.
void PrintWordListHeader(int& flag, PagePrinter& printer, const QString& vokDBName, long recordCount);

}  // namespace overview
