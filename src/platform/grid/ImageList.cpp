#include "platform/grid/ImageList.h"

#include "platform/Error.h"

#include <QPainter>
#include <QPainterPath>

namespace grid {

int ImageList::AddImage(const QString& key, const QPixmap& picture) {
    auto it = index_.find(key);
    if (it != index_.end()) {
        pictures_[static_cast<size_t>(*it)] = picture;
        return *it;
    }
    const int i = static_cast<int>(pictures_.size());
    pictures_.push_back(picture);
    keys_.append(key);
    index_.insert(key, i);
    return i;
}

int ImageList::ItemIndex(const QString& key) const {
    auto it = index_.find(key);
    if (it == index_.end()) throw wk::Error(35601, QStringLiteral("Element not found: %1").arg(key));
    return *it;
}

QString ImageList::ItemKey(int index) const {
    return index >= 0 && index < keys_.size() ? keys_.at(index) : QString();
}

QPixmap ImageList::Picture(const QString& key) const {
    return pictures_[static_cast<size_t>(ItemIndex(key))];
}

QPixmap ImageList::PictureAt(int index) const {
    if (index < 0 || index >= ListCount()) return {};
    return pictures_[static_cast<size_t>(index)];
}

void ImageList::Clear() {
    pictures_.clear();
    keys_.clear();
    index_.clear();
}

namespace {

// The pictures are 16 x 16 and made of three small marks, each drawn into a
// given box so that the combined row icons can put them side by side.

void drawCheck(QPainter& p, const QRectF& r, const QColor& c) {
    QPainterPath path;
    path.moveTo(r.left() + r.width() * 0.1, r.top() + r.height() * 0.55);
    path.lineTo(r.left() + r.width() * 0.4, r.top() + r.height() * 0.85);
    path.lineTo(r.left() + r.width() * 0.9, r.top() + r.height() * 0.15);
    p.setPen(QPen(c, std::max(1.5, r.width() / 6.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

void drawNote(QPainter& p, const QRectF& r, const QColor& c) {
    const double w = r.width(), h = r.height();
    p.setPen(QPen(c, std::max(1.0, w / 10.0)));
    p.setBrush(c);
    p.drawEllipse(QRectF(r.left() + w * 0.1, r.top() + h * 0.62, w * 0.38, h * 0.3));
    p.drawLine(QPointF(r.left() + w * 0.46, r.top() + h * 0.77),
               QPointF(r.left() + w * 0.46, r.top() + h * 0.1));
    p.drawLine(QPointF(r.left() + w * 0.46, r.top() + h * 0.1),
               QPointF(r.left() + w * 0.85, r.top() + h * 0.3));
}

void drawPicture(QPainter& p, const QRectF& r, const QColor& frame, const QColor& sky, const QColor& hill) {
    const QRectF box = r.adjusted(r.width() * 0.05, r.height() * 0.15, -r.width() * 0.05, -r.height() * 0.15);
    p.setPen(QPen(frame, 1));
    p.setBrush(sky);
    p.drawRect(box);
    QPainterPath m;
    m.moveTo(box.bottomLeft());
    m.lineTo(box.left() + box.width() * 0.35, box.top() + box.height() * 0.35);
    m.lineTo(box.left() + box.width() * 0.6, box.top() + box.height() * 0.7);
    m.lineTo(box.left() + box.width() * 0.8, box.top() + box.height() * 0.5);
    m.lineTo(box.bottomRight());
    m.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(hill);
    p.drawPath(m);
}

void drawArrowIn(QPainter& p, const QRectF& r, const QColor& c) {
    p.setPen(QPen(c, 1.5));
    p.drawLine(QPointF(r.center().x(), r.top()), QPointF(r.center().x(), r.bottom() - 1));
    QPainterPath head;
    head.moveTo(r.left() + 1, r.bottom() - r.height() * 0.45);
    head.lineTo(r.center().x(), r.bottom());
    head.lineTo(r.right() - 1, r.bottom() - r.height() * 0.45);
    p.setBrush(Qt::NoBrush);
    p.drawPath(head);
}

QPixmap blank() {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    return pm;
}

// marked / sound / picture row icon.
QPixmap rowIcon(bool marked, bool sound, bool picture) {
    QPixmap pm = blank();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor green(0, 140, 0), ink(40, 40, 120);
    const int parts = int(marked) + int(sound) + int(picture);
    if (parts == 0) return pm;
    if (parts == 1) {
        const QRectF r(1, 1, 14, 14);
        if (marked) drawCheck(p, r, green);
        if (sound) drawNote(p, r, ink);
        if (picture) drawPicture(p, r, Qt::darkGray, QColor(150, 200, 255), QColor(60, 150, 60));
        return pm;
    }
    // Two or three marks: the check on the left half, the others stacked right.
    QRectF left(0, 3, 8, 10), rightTop(8, 0, 8, 8), rightBottom(8, 8, 8, 8), right(8, 3, 8, 10);
    if (marked) {
        drawCheck(p, left, green);
        if (sound && picture) {
            drawNote(p, rightTop, ink);
            drawPicture(p, rightBottom, Qt::darkGray, QColor(150, 200, 255), QColor(60, 150, 60));
        } else if (sound) {
            drawNote(p, right, ink);
        } else {
            drawPicture(p, right, Qt::darkGray, QColor(150, 200, 255), QColor(60, 150, 60));
        }
    } else {
        drawNote(p, left, ink);
        drawPicture(p, right, Qt::darkGray, QColor(150, 200, 255), QColor(60, 150, 60));
    }
    return pm;
}

QPixmap sortPicture(bool ascending) {
    QPixmap pm = blank();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath t;
    if (ascending) {
        t.moveTo(8, 4);
        t.lineTo(13, 11);
        t.lineTo(3, 11);
    } else {
        t.moveTo(3, 5);
        t.lineTo(13, 5);
        t.lineTo(8, 12);
    }
    t.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 90, 90));
    p.drawPath(t);
    return pm;
}

QPixmap recordPicture(bool enabled) {
    QPixmap pm = blank();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(enabled ? QColor(120, 0, 0) : QColor(130, 130, 130), 1));
    p.setBrush(enabled ? QColor(220, 30, 30) : QColor(190, 190, 190));
    p.drawEllipse(QRectF(3, 3, 10, 10));
    return pm;
}

QPixmap stopPicture() {
    QPixmap pm = blank();
    QPainter p(&pm);
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.setBrush(QColor(70, 70, 70));
    p.drawRect(QRectF(3.5, 3.5, 9, 9));
    return pm;
}

QPixmap importPicture(bool sound, bool enabled) {
    QPixmap pm = blank();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor grey(150, 150, 150);
    if (sound)
        drawNote(p, QRectF(0, 2, 11, 13), enabled ? QColor(40, 40, 120) : grey);
    else
        drawPicture(p, QRectF(0, 3, 11, 12), enabled ? Qt::darkGray : grey,
                    enabled ? QColor(150, 200, 255) : QColor(225, 225, 225),
                    enabled ? QColor(60, 150, 60) : QColor(185, 185, 185));
    drawArrowIn(p, QRectF(10, 0, 6, 9), enabled ? QColor(0, 110, 0) : grey);
    return pm;
}

}  // namespace

void fillOverviewImages(ImageList& list) {
    list.AddImage(keys::Empty, rowIcon(false, false, false));
    list.AddImage(keys::SortDesc, sortPicture(false));
    list.AddImage(keys::SortAsc, sortPicture(true));
    list.AddImage(keys::Sound, rowIcon(false, true, false));
    list.AddImage(keys::SoundPic, rowIcon(false, true, true));
    list.AddImage(keys::Pic, rowIcon(false, false, true));
    list.AddImage(keys::CheckedSound, rowIcon(true, true, false));
    list.AddImage(keys::CheckedSoundPic, rowIcon(true, true, true));
    list.AddImage(keys::CheckedPic, rowIcon(true, false, true));
    list.AddImage(keys::Checked, rowIcon(true, false, false));
    list.AddImage(keys::RecordDisabled, recordPicture(false));
    list.AddImage(keys::RecordEnabled, recordPicture(true));
    list.AddImage(keys::ImportPicDisabled, importPicture(false, false));
    list.AddImage(keys::ImportPicEnabled, importPicture(false, true));
    list.AddImage(keys::ImportSoundDisabled, importPicture(true, false));
    list.AddImage(keys::ImportSoundEnabled, importPicture(true, true));
    list.AddImage(keys::Stop, stopPicture());
}

}  // namespace grid
