#include "Unit1.h"

#include <QCoreApplication>
#include <QDir>
#include <QScrollBar>
#include <QtTest>

#include "FormTesting.h"

namespace orvello {
namespace {

using testing::ProgramDir;
using testing::RunThroughDialog;

// Returns a one-colour image of `size`.
QImage Plain(QSize size, Qt::GlobalColor colour) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

// Returns the colour painted at `point` of the paint box of `form`.
QColor PaintedAt(TForm1& form, QPoint point) {
  return form.PaintBox1->grab().toImage().pixelColor(point);
}

// The window of one test, showing what an earlier run could have left.
struct Window : testing::Window {
  // Shows `image` at the current zoom and `results` in the memo.
  void ShowEarlier(const QImage& image, const QString& results) {
    ze_bitmap = image;
    form.TrackBar1Change();
    form.Memo1->setPlainText(results);
  }
};

// A tool that writes its arguments, one a line, into "args.txt" and its
// working directory into "cwd.txt", copies "source.jpg" to "eau.jpg" and
// writes a one-line results file.
constexpr char kEchoTool[] =
    "#!/bin/sh\n"
    "printf '%s\\n' \"$@\" > args.txt\n"
    "pwd -P > cwd.txt\n"
    "cp source.jpg eau.jpg\n"
    "printf 'Volume : 1 cL\\nHauteur  : 2 cm\\n' > results.txt\n";

class WindowTest : public QObject {
  Q_OBJECT

 private slots:
  void startUp() {
    Window window;
    TForm1& form = window.form;
    QCOMPARE(form.windowTitle(), "Orvello");
    QCOMPARE(form.size(), QSize(1161, 661));
    QCOMPARE(form.Label1->text(), "Zoom : 20 %");
    QCOMPARE(form.TrackBar1->value(), 20);
    QCOMPARE(form.TrackBar1->minimum(), 0);
    QCOMPARE(form.TrackBar1->maximum(), 100);
    QCOMPARE(form.TrackBar1->pageStep(), 2);
    QCOMPARE(form.Memo1->toPlainText(), QString());
    QVERIFY(form.Memo1->isReadOnly());
    QCOMPARE(form.PaintBox1->size(), QSize(105, 105));
    QCOMPARE(form.ScrollBox1->verticalScrollBar()->singleStep(), 8);
    QCOMPARE(chemin_appli, QCoreApplication::applicationDirPath() + "/");
    QVERIFY(!form.Form2->isVisible());
    QVERIFY(draw_bitmap.isNull());
  }

  // The water image scales from its own size; a zoomed image of 10 pixels
  // or less is not painted and the paint box keeps its size.
  void zoomSizes_data() {
    QTest::addColumn<QSize>("image");
    QTest::addColumn<int>("position");
    QTest::addColumn<QSize>("drawn");
    QTest::addColumn<QSize>("box");
    QTest::newRow("101 px at 50 %") << QSize(101, 41) << 50 << QSize(50, 20) << QSize(50, 20);
    QTest::newRow("103 px at 50 %") << QSize(103, 43) << 50 << QSize(52, 22) << QSize(52, 22);
    QTest::newRow("start zoom") << QSize(1919, 1696) << 20 << QSize(384, 339) << QSize(384, 339);
    QTest::newRow("100 %: own size")
        << QSize(333, 222) << 100 << QSize(333, 222) << QSize(333, 222);
    QTest::newRow("0 %") << QSize(2000, 1000) << 0 << QSize(0, 0) << QSize(105, 105);
    QTest::newRow("10 px wide") << QSize(50, 500) << 20 << QSize(10, 100) << QSize(105, 105);
    QTest::newRow("11 px wide") << QSize(55, 5) << 20 << QSize(11, 1) << QSize(11, 1);
  }

  void zoomSizes() {
    QFETCH(QSize, image);
    QFETCH(int, position);
    QFETCH(QSize, drawn);
    QFETCH(QSize, box);
    Window window;
    ze_bitmap = Plain(image, Qt::red);
    window.form.TrackBar1->setValue(position);
    window.form.TrackBar1Change();
    QCOMPARE(window.form.Label1->text(), ZoomLabel(position));
    QCOMPARE(draw_bitmap.size(), drawn);
    QCOMPARE(window.form.PaintBox1->size(), box);
    QCOMPARE(ze_bitmap.size(), image);
  }

  // Zooming always rescales from the full-size image, also after 0 %.
  void zoomBackFromNothing() {
    Window window;
    window.ShowEarlier(Plain(QSize(200, 100), Qt::red), QString());
    window.form.TrackBar1->setValue(0);
    QVERIFY(draw_bitmap.isNull());
    QCOMPARE(window.form.PaintBox1->size(), QSize(40, 20));
    window.form.TrackBar1->setValue(100);
    QCOMPARE(draw_bitmap.size(), QSize(200, 100));
    QCOMPARE(window.form.PaintBox1->size(), QSize(200, 100));
    QCOMPARE(window.form.Label1->text(), "Zoom : 100 %");
  }

  void painting_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<bool>("painted");
    QTest::newRow("100 %") << 100 << true;
    QTest::newRow("6 %: 12 px wide") << 6 << true;
    QTest::newRow("5 %: 10 px wide") << 5 << false;
    QTest::newRow("0 %") << 0 << false;
  }

  void painting() {
    QFETCH(int, position);
    QFETCH(bool, painted);
    Window window;
    window.form.show();
    ze_bitmap = Plain(QSize(200, 200), Qt::red);
    window.form.TrackBar1->setValue(position);
    QCOMPARE(PaintedAt(window.form, QPoint(5, 5)) == QColor(Qt::red), painted);
  }

  // One notch moves the view by the 8-pixel line increment; the view never
  // scrolls past the image's top or bottom.
  void wheelSteps_data() {
    QTest::addColumn<QString>("start");
    QTest::addColumn<QList<int>>("deltas");
    QTest::addColumn<int>("moved");
    QTest::newRow("top, away from the user") << "top" << QList<int>{120} << 0;
    QTest::newRow("top, toward the user") << "top" << QList<int>{-120} << 8;
    QTest::newRow("top, two notches at once") << "top" << QList<int>{-240} << 16;
    QTest::newRow("top, two half notches") << "top" << QList<int>{-60, -60} << 8;
    QTest::newRow("top, half a notch") << "top" << QList<int>{-60} << 0;
    QTest::newRow("bottom, toward the user") << "bottom" << QList<int>{-120} << 0;
    QTest::newRow("bottom, away from the user") << "bottom" << QList<int>{120} << -8;
    QTest::newRow("4 px above the bottom, toward the user")
        << "near bottom" << QList<int>{-120} << 4;
  }

  void wheelSteps() {
    QFETCH(QString, start);
    QFETCH(QList<int>, deltas);
    QFETCH(int, moved);
    Window window;
    window.form.show();
    window.ShowEarlier(Plain(QSize(300, 4000), Qt::blue), QString());
    window.form.TrackBar1->setValue(100);
    QScrollBar* bar = window.form.ScrollBox1->verticalScrollBar();
    QVERIFY(bar->maximum() > 100);
    const int from = start == "top" ? 0 : start == "bottom" ? bar->maximum() : bar->maximum() - 4;
    bar->setValue(from);
    QWidget* viewport = window.form.ScrollBox1->viewport();
    for (int delta : deltas) {
      QWheelEvent event(QPointF(50, 50), viewport->mapToGlobal(QPointF(50, 50)), QPoint(),
                        QPoint(0, delta), Qt::NoButton, Qt::ShiftModifier, Qt::NoScrollPhase,
                        false);
      QCoreApplication::sendEvent(viewport, &event);
    }
    QCOMPARE(bar->value(), from + moved);
    QCOMPARE(window.form.ScrollBox1->horizontalScrollBar()->value(), 0);
  }

  // A tool that cannot start, fails, or leaves an unreadable water image is
  // told once; the window keeps the earlier image, zoom and results.
  void failedRunKeepsDisplay_data() {
    QTest::addColumn<QByteArray>("tool");  // empty: no tool at all
    QTest::addColumn<bool>("executable");
    QTest::addColumn<QString>("message");  // "%1": the program directory
    QTest::addColumn<bool>("message_is_prefix");
    const QByteArray version = "#!/bin/sh\necho 'opencv version : 4.6'\n";
    QTest::newRow("no tool") << QByteArray() << false << "Impossible de lancer %1orvelloCMD3"
                             << false;
    QTest::newRow("tool not executable")
        << version << false << "Impossible de lancer %1orvelloCMD3" << false;
    QTest::newRow("status 1 with its message")
        << version +
               "echo 'Erreur ! Impossible de déterminer la ligne médiane !'\n"
               "exit 1\n"
        << true << "Erreur ! Impossible de déterminer la ligne médiane !" << false;
    QTest::newRow("status 255, unreadable drawing")
        << version + "echo \"Cannot read the image: $1\"\nexit 255\n"
        << true << "Cannot read the image: /d/vase.tiff" << false;
    QTest::newRow("status 3, silent") << QByteArray("#!/bin/sh\nexit 3\n") << true
                                      << QString::fromUtf8(
                                             "%1orvelloCMD3 s'est terminé "
                                             "avec le code 3")
                                      << false;
    QTest::newRow("crash") << version + "kill -SEGV $$\n"
                           << true << "opencv version : 4.6" << false;
    QTest::newRow("status 0, no water image")
        << version << true << "Impossible d'ouvrir le fichier \"%1eau.jpg\". " << true;
    QTest::newRow("status 0, water image not a JPEG")
        << version + "echo 'pas une image' > eau.jpg\n"
        << true << "Impossible de lire l'image \"%1eau.jpg\". " << true;
  }

  void failedRunKeepsDisplay() {
    QFETCH(QByteArray, tool);
    QFETCH(bool, executable);
    QFETCH(QString, message);
    QFETCH(bool, message_is_prefix);
    Window window;
    ProgramDir dir;
    chemin_appli = dir.Path();
    if (!tool.isEmpty()) dir.Write("orvelloCMD3", tool, executable);
    dir.Write("results.txt", "Volume : 9 cL\n");
    window.ShowEarlier(Plain(QSize(300, 200), Qt::green), "Volume : 5 cL");
    window.form.TrackBar1->setValue(50);
    const QImage earlier = draw_bitmap;

    RunThroughDialog(window.form, window.prompts, {.picture = "/d/vase.tiff", .category = 3});

    QCOMPARE(window.prompts.warned.size(), 1);
    const QString expected = message.contains("%1") ? message.arg(dir.Path()) : message;
    const QString& warned = window.prompts.warned.front();
    if (message_is_prefix) {
      QVERIFY2(warned.startsWith(expected) && warned.size() > expected.size(), qPrintable(warned));
    } else {
      QCOMPARE(warned, expected);
    }
    QVERIFY(window.prompts.told.isEmpty());
    QCOMPARE(draw_bitmap, earlier);
    QCOMPARE(ze_bitmap.size(), QSize(300, 200));
    QCOMPARE(window.form.PaintBox1->size(), QSize(150, 100));
    QCOMPARE(window.form.Label1->text(), "Zoom : 50 %");
    QCOMPARE(window.form.Memo1->toPlainText(), "Volume : 5 cL");
    QVERIFY(!dir.Has("results.txt"));
  }

  // Without a results file the new image is shown and the memo keeps its
  // text.
  void missingResultsKeepsMemo() {
    Window window;
    ProgramDir dir;
    chemin_appli = dir.Path();
    QVERIFY(Plain(QSize(120, 80), Qt::blue).save(dir.Path() + "source.jpg"));
    dir.Write("orvelloCMD3", "#!/bin/sh\ncp source.jpg eau.jpg\n", true);
    window.ShowEarlier(Plain(QSize(300, 200), Qt::green), "Volume : 5 cL");

    RunThroughDialog(window.form, window.prompts, {.picture = "/d/vase.tiff", .category = 3});

    QCOMPARE(window.prompts.warned.size(), 1);
    QVERIFY2(window.prompts.warned.front().startsWith("Impossible d'ouvrir le fichier \"" +
                                                      dir.Path() + "results.txt\". "),
             qPrintable(window.prompts.warned.front()));
    QCOMPARE(ze_bitmap.size(), QSize(120, 80));
    QCOMPARE(draw_bitmap.size(), QSize(24, 16));
    QCOMPARE(window.form.Memo1->toPlainText(), "Volume : 5 cL");
  }

  // The tool of the category gets the drawing path, the resolution and the
  // scale text as three arguments, unchanged, and runs in the program
  // directory.
  void argumentsReachTool_data() {
    QTest::addColumn<int>("category");
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("scale");
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("category 1") << 1 << "/d/vase.bmp"
                                << "1"
                                << "orvelloCMD2" << QStringList{"/d/vase.bmp", "600", "1"};
    QTest::newRow("category 2, comma scale")
        << 2 << "/d/vase.jpg"
        << "0,5"
        << "orvelloCMD" << QStringList{"/d/vase.jpg", "600", "0.5"};
    QTest::newRow("category 3, exponent scale")
        << 3 << "/d/vase.tiff"
        << "15E-1"
        << "orvelloCMD3" << QStringList{"/d/vase.tiff", "600", "1.5"};
    const QString awkward[] = {
        "/d/mes dessins/vase 1.tiff",
        "/d/\"vase\" 'un'.tiff",
        "/d/a;b && c | d > e.tiff",
        "/d/$(touch pwned)`touch pwned2`$HOME.tiff",
        "-vase.tiff",
        "/d/céramique ancienne/vase ø 12 – Ωμέγα.tiff",
        "/d/*?[a].tiff",
    };
    for (const QString& path : awkward) {
      QTest::addRow("path %s", qPrintable(path)) << 3 << path << "1"
                                                 << "orvelloCMD3" << QStringList{path, "600", "1"};
    }
  }

  void argumentsReachTool() {
    QFETCH(int, category);
    QFETCH(QString, picture);
    QFETCH(QString, scale);
    QFETCH(QString, tool);
    QFETCH(QStringList, arguments);
    Window window;
    ProgramDir dir;
    chemin_appli = dir.Path();
    QVERIFY(Plain(QSize(120, 80), Qt::blue).save(dir.Path() + "source.jpg"));
    dir.Write(tool, kEchoTool, true);

    RunThroughDialog(
        window.form, window.prompts,
        {.picture = picture, .resolution = "600", .scale = scale, .category = category});

    QCOMPARE(window.prompts.warned, QStringList());
    QFile args(dir.Path() + "args.txt");
    QVERIFY(args.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(args.readAll()).split('\n', Qt::SkipEmptyParts), arguments);
    QFile cwd(dir.Path() + "cwd.txt");
    QVERIFY(cwd.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(cwd.readAll()).trimmed(), QDir(dir.Path()).canonicalPath());
    QCOMPARE(window.form.Memo1->toPlainText(), "Volume : 1 cL\nHauteur  : 2 cm");
    QCOMPARE(draw_bitmap.size(), QSize(24, 16));
    QVERIFY(!QFile::exists(dir.Path() + "pwned"));
    QVERIFY(!QFile::exists(dir.Path() + "pwned2"));
  }

  // "Annuler" starts no tool, leaves the display as it was, and the results
  // file of the earlier run is gone all the same.
  void cancelStartsNothing() {
    Window window;
    ProgramDir dir;
    chemin_appli = dir.Path();
    dir.Write("orvelloCMD3", "#!/bin/sh\ntouch started\n", true);
    dir.Write("results.txt", "Volume : 9 cL\n");
    window.ShowEarlier(Plain(QSize(300, 200), Qt::green), "Volume : 9 cL");
    const QImage earlier = draw_bitmap;

    RunThroughDialog(window.form, window.prompts,
                     {.picture = "/d/vase.tiff", .category = 3, .cancel = true});

    QCOMPARE(cancel, true);
    QCOMPARE(chemin_image, "/d/vase.tiff");
    QVERIFY(!dir.Has("results.txt"));
    QVERIFY(!dir.Has("started"));
    QCOMPARE(draw_bitmap, earlier);
    QCOMPARE(window.form.Memo1->toPlainText(), "Volume : 9 cL");
    QVERIFY(window.prompts.warned.isEmpty());
  }
};

}  // namespace
}  // namespace orvello

QTEST_MAIN(orvello::WindowTest)
#include "Unit1_test.moc"
