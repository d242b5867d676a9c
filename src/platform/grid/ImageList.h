#pragma once
// A keyed list of small pictures. The grid draws cell and header icons from
// it by index (0-based, -1 = none); toolbar buttons fetch pictures by key.

#include <QHash>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <vector>

namespace grid {

class ImageList {
public:
    ImageList() = default;
    explicit ImageList(QSize size) : size_(size) {}

    QSize ImageSize() const { return size_; }
    int ListCount() const { return static_cast<int>(pictures_.size()); }

    // Adds or replaces the picture under key; returns its index.
    int AddImage(const QString& key, const QPixmap& picture);
    bool KeyExists(const QString& key) const { return index_.contains(key); }
    // Index of key; raises wk::Error 35601 when the list has no such key.
    int ItemIndex(const QString& key) const;
    QString ItemKey(int index) const;
    // Picture of key (raises like ItemIndex) or of an index (null when out of range).
    QPixmap Picture(const QString& key) const;
    QPixmap PictureAt(int index) const;
    QIcon Icon(const QString& key) const { return QIcon(Picture(key)); }
    void Clear();

private:
    QSize size_{16, 16};
    std::vector<QPixmap> pictures_;
    QStringList keys_;
    QHash<QString, int> index_;
};

// The keys of the overview's pictures: row icons, header sort pictures and
// the toolbar pictures of the current-item buttons.
namespace keys {
inline const QString Empty = QStringLiteral("Empty");
inline const QString Checked = QStringLiteral("Checked");
inline const QString Sound = QStringLiteral("Sound");
inline const QString Pic = QStringLiteral("Pic");
inline const QString SoundPic = QStringLiteral("SoundPic");
inline const QString CheckedSound = QStringLiteral("CheckedSound");
inline const QString CheckedPic = QStringLiteral("CheckedPic");
inline const QString CheckedSoundPic = QStringLiteral("CheckedSoundPic");
inline const QString SortAsc = QStringLiteral("sort_asc");
inline const QString SortDesc = QStringLiteral("sort_desc");
inline const QString RecordDisabled = QStringLiteral("Recordd");
inline const QString RecordEnabled = QStringLiteral("Recorde");
inline const QString Stop = QStringLiteral("Stop");
inline const QString ImportPicDisabled = QStringLiteral("ImportPicd");
inline const QString ImportPicEnabled = QStringLiteral("ImportPice");
inline const QString ImportSoundDisabled = QStringLiteral("ImportSoundd");
inline const QString ImportSoundEnabled = QStringLiteral("ImportSounde");
}  // namespace keys

// Fills a list with every overview picture, drawn here (no picture files):
// "Empty", "sort_desc", "sort_asc", "Sound", "SoundPic", "Pic",
// "CheckedSound", "CheckedSoundPic", "CheckedPic", "Checked", "Recordd",
// "Recorde", "ImportPicd", "ImportPice", "ImportSoundd", "ImportSounde", "Stop".
void fillOverviewImages(ImageList& list);

}  // namespace grid
