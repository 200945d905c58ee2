#pragma once
// The main window's twenty 16 x 16 images, referred to by index everywhere (buttons,
// tabs, row images, tray icon), and the decorative picture. Drawn from the SVG files in
// resources/images at build time, into pixel files compiled into the program's resources.
//
//  0 film strip with a plus (Add)          9 loudspeaker (audio tab)
//  1 film strip with a minus (Delete)     10 dot (details values)
//  2 film strip with a warning (Clear)    11 film strip with a diskette (row ended)
//  3 circular arrow (Convert, converting) 12 red round exclamation mark (Stop)
//  4 red round minus (Quit)               13 gear wheel (other-settings tab)
//  5 television (Play, video tab)         14 folder with magnifier
//  6 dollar sign (Donate)                 15 plain film strip (row added, tray at rest)
//  7 help button                          16 console window (tray while busy)
//  8 antenna                              17 window with magnifier ("Open" menu item)
//                                         18 film strip with a red cross (row failed)
//                                         19 blue round pause bars (Pause)

#include <QIcon>
#include <QPixmap>
#include <QString>

#include <vector>

namespace ondrevo {

class ImageList {
public:
    static constexpr int kCount = 20;
    static constexpr int kSize = 16;

    ImageList();

    int Count() const { return static_cast<int>(icons_.size()); }
    // The image at `index`; a null icon for an index outside the list.
    QIcon Icon(int index) const;
    // The resource path of an image drawn at a size (16, 22, 24, 32 or 48).
    static QString ResourcePath(int index, int size = kSize);

    // The decorative picture beside the file list, 245 x 172.
    static QPixmap Picture();
    static constexpr int kPictureWidth = 245;
    static constexpr int kPictureHeight = 172;

private:
    std::vector<QIcon> icons_;
};

} // namespace ondrevo
