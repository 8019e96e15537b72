#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <filesystem>
#include <iostream>

#include "tests/support/exiftool.h"
#include "imaging/widgets/picture_preview.h"
#include "tests/wizard/wizard_test_support.h"

namespace {

class ImageOrderPageTest : public WizardTest {
protected:
    // Pictures named after `names` (plus a thumbnail of an earlier run and a text file, which stay out).
    void OpenWith(const std::vector<std::string>& names) {
        int shade = 0;
        for (const std::string& name : names) {
            WriteJpeg(source / name, 60, 40, QColor::fromHsv((shade += 50) % 360, 200, 200));
        }
        WriteJpeg(source / "thn_old.jpg", 20, 20, Qt::gray);
        source.Write("notes.txt", "x");
        job.m_strSourceFolder = source.path();
        OpenAt(CTrelliqSheet::kImageOrder);
    }
    QTreeWidget* List() { return Find<QTreeWidget>("pictureList"); }
    void Click(const char* name) { Find<QPushButton>(name)->click(); }
    // The list as the page shows it, as bare names; it must match the picture list row by row.
    std::vector<std::string> Rows() {
        std::vector<std::string> rows;
        const ImageList& images = sheet->m_imageList;
        EXPECT_EQ(static_cast<std::size_t>(List()->topLevelItemCount()), images.GetSize());
        for (int i = 0; i < List()->topLevelItemCount(); ++i) {
            const std::string path = List()->topLevelItem(i)->text(0).toStdString();
            EXPECT_EQ(path, images.GetPathAt(static_cast<std::size_t>(i)));
            rows.push_back(path.substr(path.rfind('/') + 1));
        }
        return rows;
    }
    int Selected() {
        const QList<QTreeWidgetItem*> items = List()->selectedItems();
        EXPECT_EQ(items.size(), 1);
        EXPECT_EQ(List()->currentItem(), items.value(0));
        return items.isEmpty() ? -1 : List()->indexOfTopLevelItem(items[0]);
    }
    std::string Previewed() { return Preview()->path(); }
    CPicturePreview* Preview() { return Find<CPicturePreview>("preview"); }
    QString Count() { return Find<QLabel>("pictureCount")->text(); }
    QString Problem() { return Find<QLabel>("pictureProblem")->text(); }
    // A mark is a visible sign before the name and the reason as the row's tool tip.
    bool Marked(int row) {
        const QTreeWidgetItem* item = List()->topLevelItem(row);
        const QImage sign = item->icon(0).pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
        bool visible = false;
        for (int y = 0; y < sign.height(); ++y) {
            for (int x = 0; x < sign.width(); ++x) {
                visible = visible || qAlpha(sign.pixel(x, y)) > 0;
            }
        }
        EXPECT_EQ(visible, !item->toolTip(0).isEmpty()) << row;
        return visible;
    }
    void PressKey(Qt::Key key) { QTest::keyClick(List(), key); }
    using Names = std::vector<std::string>;
};

}  // namespace

TEST_F(ImageOrderPageTest, EnteringScansSelectsAndPreviewsTheFirstPicture) {
    OpenWith({"b.jpg", "a.jpg", "C.JPG"});
    EXPECT_EQ(List()->headerItem()->text(0), "Source images");
    EXPECT_EQ(Rows(), (Names{"a.jpg", "b.jpg", "C.JPG"}));
    EXPECT_EQ(Selected(), 0);
    EXPECT_EQ(Previewed(), source / "a.jpg");
    List()->setCurrentItem(List()->topLevelItem(2));
    EXPECT_EQ(Previewed(), source / "C.JPG");
}

TEST_F(ImageOrderPageTest, MovesStopAtTheEnds) {
    OpenWith({"a.jpg", "b.jpg", "c.jpg"});
    Click("moveUpButton");
    EXPECT_EQ(Rows(), (Names{"a.jpg", "b.jpg", "c.jpg"}));
    List()->setCurrentItem(List()->topLevelItem(2));
    Click("moveDownButton");
    EXPECT_EQ(Rows(), (Names{"a.jpg", "b.jpg", "c.jpg"}));
    Click("moveUpButton");
    EXPECT_EQ(Rows(), (Names{"a.jpg", "c.jpg", "b.jpg"}));
    EXPECT_EQ(Selected(), 1);
    Click("moveDownButton");
    EXPECT_EQ(Rows(), (Names{"a.jpg", "b.jpg", "c.jpg"}));
    EXPECT_EQ(Selected(), 2);
    EXPECT_EQ(Previewed(), source / "c.jpg");
}

TEST_F(ImageOrderPageTest, ThirdOfFiveMovedUpTwiceBecomesFirst) {
    OpenWith({"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"});
    List()->setCurrentItem(List()->topLevelItem(2));
    Click("moveUpButton");
    Click("moveUpButton");
    EXPECT_EQ(Rows(), (Names{"c.jpg", "a.jpg", "b.jpg", "d.jpg", "e.jpg"}));
    EXPECT_EQ(Selected(), 0);
    EXPECT_EQ(Previewed(), source / "c.jpg");
}

// The button and the Delete key alike: the row that takes the deleted one's place is selected,
// the count follows, and the last picture stays.
TEST_F(ImageOrderPageTest, DeleteSelectsTheNextRowAndKeepsTheLastPicture) {
    OpenWith({"a.jpg", "b.jpg", "c.jpg", "d.jpg"});
    MessageBoxAnswerer boxes;
    EXPECT_EQ(Count(), "4 pictures");
    Click("deleteButton");
    EXPECT_EQ(Rows(), (Names{"b.jpg", "c.jpg", "d.jpg"}));
    EXPECT_EQ(Selected(), 0);
    EXPECT_EQ(Previewed(), source / "b.jpg");
    PressKey(Qt::Key_Down);
    PressKey(Qt::Key_Delete);
    EXPECT_EQ(Rows(), (Names{"b.jpg", "d.jpg"}));
    EXPECT_EQ(Selected(), 1);
    EXPECT_EQ(Previewed(), source / "d.jpg");
    EXPECT_EQ(Count(), "2 pictures");
    // The last row has no next one: the row above it is selected.
    PressKey(Qt::Key_Delete);
    EXPECT_EQ(Rows(), (Names{"b.jpg"}));
    EXPECT_EQ(Selected(), 0);
    EXPECT_EQ(Count(), "1 picture");
    EXPECT_TRUE(boxes.seen().empty());
    PressKey(Qt::Key_Delete);
    Click("deleteButton");
    EXPECT_EQ(Rows(), (Names{"b.jpg"}));
    ASSERT_EQ(boxes.seen().size(), 2u);
    for (const SeenBox& box : boxes.seen()) {
        EXPECT_EQ(box.text, "Last file can not be removed");
        EXPECT_EQ(box.caption, "Information");
        EXPECT_EQ(box.icon, QMessageBox::NoIcon);
    }
    EXPECT_TRUE(FileExists(source / "a.jpg"));
    EXPECT_TRUE(FileExists(source / "c.jpg"));
}

// Files that cannot be read are marked as their checks come in, before anything is published,
// and the selected one's reason shows under the preview; the marks follow the rows when moved.
TEST_F(ImageOrderPageTest, UnreadableFilesAreMarkedWithTheirReason) {
    WriteJpeg(source / "whole.jpg", 400, 300, Qt::darkGreen);
    const std::string jpeg = ReadFile(source / "whole.jpg");
    source.Write("cut.jpg", jpeg.substr(0, jpeg.size() / 2));
    source.Write("empty.png", "");
    source.Write("notes.tif", "these are not the pixels of a picture");
    OpenWith({"good.jpg"});
    EXPECT_EQ(Rows(), (Names{"cut.jpg", "empty.png", "good.jpg", "notes.tif", "whole.jpg"}));
    ASSERT_TRUE(WaitFor([&] { return Marked(0) && Marked(1) && Marked(3); }, 20000));
    QTest::qWait(300);
    EXPECT_FALSE(Marked(2));
    EXPECT_FALSE(Marked(4));

    EXPECT_EQ(Selected(), 0);
    EXPECT_EQ(Problem(), "This picture cannot be read: its pixels cannot be decoded: the file is damaged.");
    PressKey(Qt::Key_Down);
    EXPECT_EQ(Problem(), "This picture cannot be read: the file is empty.");
    EXPECT_EQ(List()->topLevelItem(1)->toolTip(0), "This picture cannot be read: the file is empty.");
    PressKey(Qt::Key_Down);
    EXPECT_EQ(Problem(), "");
    PressKey(Qt::Key_Down);
    EXPECT_EQ(Problem(),
              "This picture cannot be read: it is not a picture in a format that can be read, or it is "
              "damaged.");
    Click("moveUpButton");
    EXPECT_EQ(Rows(), (Names{"cut.jpg", "empty.png", "notes.tif", "good.jpg", "whole.jpg"}));
    EXPECT_TRUE(Marked(2));
    EXPECT_FALSE(Marked(3));
    EXPECT_TRUE(WaitFor([&] { return Preview()->IsShown() || !Preview()->IsDecoding(); }));
    EXPECT_FALSE(Preview()->IsShown());
}

TEST_F(ImageOrderPageTest, OrderSurvivesRevisitsUntilTheSourceChanges) {
    OpenWith({"a.jpg", "b.jpg", "c.jpg"});
    List()->setCurrentItem(List()->topLevelItem(2));
    Click("moveUpButton");
    Click("deleteButton");
    EXPECT_EQ(Rows(), (Names{"a.jpg", "b.jpg"}));
    sheet->SetActivePage(CTrelliqSheet::kImageSettings);
    sheet->SetActivePage(CTrelliqSheet::kImageOrder);
    EXPECT_EQ(Rows(), (Names{"a.jpg", "b.jpg"}));

    TempFolder other;
    WriteJpeg(other / "z.jpg", 30, 30, Qt::blue);
    job.m_strSourceFolder = other.path();
    sheet->SetActivePage(CTrelliqSheet::kImageOrder);
    EXPECT_EQ(Rows(), (Names{"z.jpg"}));
}

TEST_F(ImageOrderPageTest, EmptyFolderGivesAnEmptyListAndIdleButtons) {
    job.m_strSourceFolder = source.path();
    job.m_strDestFolder = dest.path();
    OpenAt(CTrelliqSheet::kImageOrder);
    MessageBoxAnswerer boxes;
    for (const char* button : {"moveUpButton", "moveDownButton", "deleteButton"}) {
        Click(button);
    }
    EXPECT_EQ(List()->topLevelItemCount(), 0);
    EXPECT_TRUE(boxes.seen().empty());
    Press(WizardButton::Next);
    EXPECT_TRUE(WaitFor([&] { return sheet->GetActiveIndex() == CTrelliqSheet::kFinish; }));
}

// The pictures' words on the page: the sort button and the caption under the preview.
TEST_F(ImageOrderPageTest, SortByDateKeepsTheSelectedPictureAndUndatedOnesLast) {
    OpenWith({"a.jpg", "b.jpg", "c.jpg", "d.jpg"});
    ASSERT_TRUE(WriteTags(source / "a.jpg", {"-EXIF:DateTimeOriginal=2022:01:01 00:00:00"}));
    ASSERT_TRUE(WriteTags(source / "c.jpg", {"-EXIF:DateTimeOriginal=2020:01:01 00:00:00"}));
    ASSERT_TRUE(WriteTags(source / "d.jpg", {"-EXIF:ModifyDate=1999:01:01 00:00:00"}));
    source.Write("b.jpg.xmp",
                 "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
                 "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
                 "xmlns:photoshop='http://ns.adobe.com/photoshop/1.0/' "
                 "photoshop:DateCreated='2021-06-01'/></rdf:RDF></x:xmpmeta>");
    List()->setCurrentItem(List()->topLevelItem(0));
    Click("sortByDateButton");
    EXPECT_EQ(Rows(), (Names{"c.jpg", "b.jpg", "a.jpg", "d.jpg"}));
    EXPECT_EQ(Selected(), 2);
    EXPECT_EQ(Previewed(), source / "a.jpg");
    // Moving still works on the sorted list.
    Click("moveUpButton");
    EXPECT_EQ(Rows(), (Names{"c.jpg", "a.jpg", "b.jpg", "d.jpg"}));
}

TEST_F(ImageOrderPageTest, TheCaptionStandsUnderThePreviewAsPlainText) {
    OpenWith({"a.jpg", "b.jpg", "c.jpg"});
    ASSERT_TRUE(WriteTags(source / "b.jpg",
                          {"-IPTC:Caption-Abstract=<b>Not bold</b> & more", "-XMP-dc:Title=Evening"}));
    source.Write("c.jpg.txt", std::string(1000, 'x'));
    auto* caption = Find<QLabel>("previewCaption");
    EXPECT_EQ(caption->text(), "");
    List()->setCurrentItem(List()->topLevelItem(1));
    EXPECT_EQ(caption->text(), QString::fromUtf8("Evening \u2013 <b>Not bold</b> & more"));
    EXPECT_EQ(caption->textFormat(), Qt::PlainText);
    List()->setCurrentItem(List()->topLevelItem(2));
    EXPECT_EQ(caption->text(), QString(300, 'x') + QString::fromUtf8("\u2026"));
    EXPECT_EQ(caption->toolTip(), QString(1000, 'x'));
}

namespace {

// Serves the window's events, waiting for them rather than sleeping, until `condition` holds or
// `timeoutMs` has passed.
bool ServeUntil(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!condition() && clock.elapsed() < timeoutMs) {
        QEventLoop loop;
        QTimer::singleShot(1, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return condition();
}

// Nanoseconds the calling thread has spent ready to run but waiting for a core, from Linux's
// scheduler statistics ("time on a core, time waiting, time slices").
qint64 RunDelayNs() {
    QFile stats("/proc/thread-self/schedstat");
    if (!stats.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QList<QByteArray> fields = stats.readAll().split(' ');
    return fields.size() >= 2 ? fields[1].toLongLong() : 0;
}

// Pictures as a camera and an old scanner make them: 20-megapixel JPEGs and an 18 MB BMP, made
// once for the timing test.
class SlowPictures {
public:
    SlowPictures() {
        QImage photo(5472, 3648, QImage::Format_RGB32);
        for (int i = 0; i < 3; ++i) {
            QPainter painter(&photo);
            QLinearGradient gradient(0, 0, photo.width(), photo.height());
            gradient.setColorAt(0, QColor::fromHsv(i * 100, 200, 220));
            gradient.setColorAt(1, QColor::fromHsv(i * 100 + 50, 120, 60));
            painter.fillRect(photo.rect(), gradient);
            painter.setPen(QPen(Qt::white, 9));
            for (int x = 0; x < photo.width(); x += 97) {
                painter.drawLine(x, 0, photo.width() - x, photo.height());
            }
            painter.end();
            EXPECT_TRUE(photo.save(QString::fromStdString(folder / ("photo" + std::to_string(i) + ".jpg")),
                                   "JPEG", 92));
        }
        const QImage scan = photo.copy(0, 0, 3072, 2048).convertToFormat(QImage::Format_RGB888);
        EXPECT_TRUE(scan.save(QString::fromStdString(folder / "scan.bmp"), "BMP"));
    }
    TempFolder folder;
};

}  // namespace

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer slows every allocation and call on the window's thread several times over; a
// decode there would still take seconds (1.4 s in a plain build), which this bound catches.
constexpr double kLongestWaitMs = 1000.0;
#else
constexpr double kLongestWaitMs = 50.0;
#endif

// The list answers each key at once while the previews decode: a timer on the window's thread
// never waits more than 50 ms, the newest request wins, and the last row's picture is shown.
TEST_F(ImageOrderPageTest, WindowThreadNeverWaitsForAPreview) {
    static SlowPictures pictures;
    ASSERT_GE(std::filesystem::file_size(pictures.folder / "scan.bmp"), 18u << 20);
    for (const auto& entry : std::filesystem::directory_iterator(pictures.folder.path())) {
        std::filesystem::copy_file(entry.path(), source / entry.path().filename().string());
    }
    job.m_strSourceFolder = source.path();
    OpenAt(CTrelliqSheet::kImageOrder);
    ASSERT_EQ(Count(), "4 pictures");
    std::vector<QString> decoded;
    QObject::connect(&Preview()->Decoder(), &PreviewDecoder::PreviewReady,
                     [&](const QString& path, const QImage&, const QString&) { decoded.push_back(path); });

    // Each tick measures the time since the last one, and the part of it the thread spent ready
    // but waiting for a core (the scheduler's run delay): on a machine shared with other work, that
    // part is the machine's load, the rest is the window's thread busy or blocked.
    QElapsedTimer clock;
    qint64 lastTick = 0;
    qint64 lastRunDelay = RunDelayNs();
    qint64 longestWait = 0;
    qint64 longestOwnWait = 0;
    QTimer ticker;
    ticker.setInterval(2);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        const qint64 runDelay = RunDelayNs();
        longestWait = std::max(longestWait, now - lastTick);
        longestOwnWait = std::max(longestOwnWait, now - lastTick - (runDelay - lastRunDelay));
        lastTick = now;
        lastRunDelay = runDelay;
    });
    clock.start();
    ticker.start();
    // Down through every picture twice and back up, quicker than they decode, then each one alone.
    // The test serves events without sleeping (QTest::qWait sleeps between rounds, which the
    // ticks would count).
    for (int round = 0; round < 2; ++round) {
        for (const Qt::Key key :
             {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Up, Qt::Key_Up, Qt::Key_Up}) {
            PressKey(key);
            ServeUntil([] { return false; }, 15);
        }
    }
    for (int row = 0; row < 4; ++row) {
        List()->setCurrentItem(List()->topLevelItem(row));
        ASSERT_TRUE(ServeUntil([&] { return Preview()->IsShown(); }, 30000)) << row;
        EXPECT_EQ(QString::fromStdString(Previewed()), List()->topLevelItem(row)->text(0));
        ServeUntil([] { return false; }, 20);
    }
    ticker.stop();
    const double longestMs = static_cast<double>(longestWait) / 1e6;
    const double longestOwnMs = static_cast<double>(longestOwnWait) / 1e6;
    std::cout << "longest wait on the window's thread: " << longestOwnMs << " ms busy or blocked ("
              << longestMs << " ms between ticks, waits for a core included)\n";
    RecordProperty("longest_wait_ms", std::to_string(longestOwnMs));
    RecordProperty("longest_tick_gap_ms", std::to_string(longestMs));
    EXPECT_LT(longestOwnMs, kLongestWaitMs);
    // Twelve keys went by faster than pictures decode: most of their previews were never made.
    EXPECT_LT(decoded.size(), 12u + 4u);
    EXPECT_EQ(decoded.back().toStdString(), Previewed());
    for (int row = 0; row < 4; ++row) {
        EXPECT_FALSE(Marked(row)) << row;
    }
}
