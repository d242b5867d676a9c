#include "overview/modWordList.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPen>
#include <QPrinter>

#include "core/modMain.h"

namespace overview {

PagePrinter::PagePrinter(QPrinter& printer) : printer_(printer) {
    painter_ = new QPainter;
    if (!painter_->begin(&printer_)) {
        delete painter_;
        painter_ = nullptr;
    }
}

PagePrinter::~PagePrinter() {
    EndDoc();
}

bool PagePrinter::isActive() const {
    return painter_ && painter_->isActive();
}

double PagePrinter::pxPerTwipX() const {
    return printer_.logicalDpiX() / 1440.0;
}
double PagePrinter::pxPerTwipY() const {
    return printer_.logicalDpiY() / 1440.0;
}

double PagePrinter::Width() const {
    return printer_.width() / pxPerTwipX();
}
double PagePrinter::Height() const {
    return printer_.height() / pxPerTwipY();
}

void PagePrinter::Print(const QString& text) {
    QFontMetricsF fm(Font, &printer_);
    if (isActive()) {
        painter_->setFont(Font);
        painter_->setPen(Qt::black);
        painter_->drawText(QPointF(CurrentX * pxPerTwipX(), CurrentY * pxPerTwipY() + fm.ascent()), text);
    }
    CurrentX = 0;
    CurrentY += fm.lineSpacing() / pxPerTwipY();
}

void PagePrinter::Line(double x1, double y1, double x2, double y2) {
    if (!isActive()) return;
    painter_->setPen(QPen(Qt::black, 0));
    painter_->drawLine(QPointF(x1 * pxPerTwipX(), y1 * pxPerTwipY()),
                       QPointF(x2 * pxPerTwipX(), y2 * pxPerTwipY()));
    CurrentX = x2;
    CurrentY = y2;
}

void PagePrinter::NewPage() {
    if (isActive()) printer_.newPage();
    ++page_;
    CurrentX = 0;
    CurrentY = 0;
}

void PagePrinter::EndDoc() {
    if (!painter_) return;
    if (painter_->isActive()) painter_->end();
    delete painter_;
    painter_ = nullptr;
}

QString WordListTitle(const QString& vokDBName, long recordCount) {
    return modMain::GetText(135) + vokDBName + QStringLiteral("  (") + QString::number(recordCount) +
           modMain::GetText(136) + QStringLiteral(")");
}

void PrintWordListHeader(int& flag, PagePrinter& printer, const QString& vokDBName, long recordCount) {
    if (flag != 0) return;
    constexpr double Left = 300;
    printer.Font = QFont(QStringLiteral("Times New Roman"));
    printer.Font.setPointSize(16);
    printer.Font.setBold(true);
    printer.CurrentX = Left;
    printer.Print(WordListTitle(vokDBName, recordCount));

    printer.CurrentX = Left;
    printer.Font.setPointSize(12);
    printer.Font.setBold(false);
    printer.Print(modMain::GetText(137) + QString::number(printer.Page()));

    printer.CurrentY += 40;
    const double y = printer.CurrentY;
    printer.Line(Left, y, printer.Width() - Left, y);
    printer.CurrentX = 0;
    printer.Print(QStringLiteral(" "));
}

}  // namespace overview
