#include "Unit1.h"

#include <signal.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QScrollBar>
#include <QtTest>
#include <cerrno>

#include "FormTesting.h"

namespace orvello {
namespace {

using testing::ProgramDir;
using testing::RunThroughDialog;
using testing::StartThroughDialog;

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
// working directory into "cwd.txt" in its own folder, copies "source.jpg"
// of its own folder to "eau.jpg" and writes a two-line results file in its
// working directory.
constexpr char kEchoTool[] =
    "#!/bin/sh\n"
    "here=$(dirname \"$0\")\n"
    "printf '%s\\n' \"$@\" > \"$here/args.txt\"\n"
    "pwd -P > \"$here/cwd.txt\"\n"
    "cp \"$here/source.jpg\" eau.jpg\n"
    "printf 'Volume : 1 cL\\nHauteur  : 2 cm\\n' > results.txt\n";

// Returns the files under `folder`, with their sizes, to tell whether a run
// wrote anything there.
QStringList Listing(const QString& folder) {
  QStringList files;
  QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    it.next();
    files << it.filePath() + " " + QString::number(it.fileInfo().size());
  }
  files.sort();
  return files;
}

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
    QCOMPARE(form.Label3->text(), "Aucune mesure affichée");
    QVERIFY(form.Button1->isEnabled());
    QVERIFY(!form.Button2->isEnabled());
    QCOMPARE(form.Button2->text(), "Annuler");
    QCOMPARE(form.Button3->text(), "Ajuster");
    QVERIFY(form.RadioButton1->isChecked());
    QVERIFY(!form.RadioButton2->isEnabled());
    QCOMPARE(form.StringGrid1->rowCount(), 0);
    QCOMPARE(form.StringGrid1->columnCount(), SessionColumns().size());
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

  // A tool that cannot start, fails, crashes, or leaves no results or an
  // unreadable water image is told once, and nothing of the earlier run
  // stays shown.
  void failedRunClearsDisplay_data() {
    QTest::addColumn<QByteArray>("tool");  // empty: no tool at all
    QTest::addColumn<bool>("executable");
    QTest::addColumn<QString>("message");  // %1: the program folder, %2: the run's
    QTest::addColumn<bool>("message_is_prefix");
    const QByteArray version = "#!/bin/sh\necho 'opencv version : 4.6'\n";
    const QByteArray results = "printf 'Volume : 1 cL\\n' > results.txt\n";
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
    QTest::newRow("crash after the version line: a crash, not the last line")
        << version + results + "kill -SEGV $$\n"
        << true
        << "Erreur ! le programme de mesure s'est arrêté anormalement (signal 11, SIGSEGV) : "
           "%1orvelloCMD3"
        << false;
    QTest::newRow("aborted")
        << version + "kill -ABRT $$\n"
        << true
        << "Erreur ! le programme de mesure s'est arrêté anormalement (signal 6, SIGABRT) : "
           "%1orvelloCMD3"
        << false;
    QTest::newRow("status 0, no results")
        << version << true << "Impossible d'ouvrir le fichier \"%2/results.txt\". " << true;
    QTest::newRow("status 0, empty results")
        << version + ": > results.txt\n"
        << true << "Erreur ! Le fichier de résultats \"%2/results.txt\" est vide." << false;
    QTest::newRow("status 0, no water image")
        << version + results << true << "Impossible d'ouvrir le fichier \"%2/eau.jpg\". " << true;
    QTest::newRow("status 0, water image not a JPEG")
        << version + results + "echo 'pas une image' > eau.jpg\n"
        << true << "Impossible de lire l'image \"%2/eau.jpg\". " << true;
  }

  void failedRunClearsDisplay() {
    QFETCH(QByteArray, tool);
    QFETCH(bool, executable);
    QFETCH(QString, message);
    QFETCH(bool, message_is_prefix);
    Window window;
    ProgramDir dir;
    chemin_appli = dir.Path();
    if (!tool.isEmpty()) dir.Write("orvelloCMD3", tool, executable);
    window.ShowEarlier(Plain(QSize(300, 200), Qt::green), "Volume : 5 cL");
    window.form.TrackBar1->setValue(50);

    RunThroughDialog(window.form, window.prompts, {.picture = "/d/vase.tiff", .category = 3});

    QCOMPARE(window.prompts.warned.size(), 1);
    const QString expected =
        QString(message).replace("%1", dir.Path()).replace("%2", window.form.RunFolder());
    const QString& warned = window.prompts.warned.front();
    if (message_is_prefix) {
      QVERIFY2(warned.startsWith(expected) && warned.size() > expected.size(), qPrintable(warned));
    } else {
      QCOMPARE(warned, expected);
    }
    QVERIFY(window.prompts.told.isEmpty());
    QVERIFY(ze_bitmap.isNull());
    QVERIFY(draw_bitmap.isNull());
    QVERIFY(ze_jpeg.isEmpty());
    QCOMPARE(window.form.Memo1->toPlainText(), QString());
    QCOMPARE(window.form.Memo2->toPlainText(), QString());
    QCOMPARE(window.form.windowTitle(), "Orvello");
    QCOMPARE(window.form.Label3->text(),
             "Échec de la mesure : vase.tiff, 300 ppp, échelle 1, catégorie 3 ; rien n'est "
             "affiché.");
    QCOMPARE(window.form.Label1->text(), "Zoom : 50 %");
    QCOMPARE(window.form.Session().size(), 1);
    QCOMPARE(window.form.Session().front().state, "échec : " + warned);
    QVERIFY(window.form.Button1->isEnabled());
    QVERIFY(!window.form.Button2->isEnabled());
  }

  // A failing run after a good one leaves nothing of the good one: image,
  // values, title and status line all say that the last run failed.
  void failureAfterSuccessClears_data() {
    QTest::addColumn<QString>("failure");  // the tool's script when the drawing is "bad"
    QTest::newRow("median line not found")
        << "echo 'Erreur ! Impossible de déterminer la ligne médiane !'; exit 1";
    QTest::newRow("not an image") << "echo \"Cannot read the image: $1\"; exit 255";
    QTest::newRow("crash") << "kill -SEGV $$";
    QTest::newRow("no water image") << "printf 'Volume : 3 cL\\n' > results.txt; exit 0";
  }

  void failureAfterSuccessClears() {
    QFETCH(QString, failure);
    Window window;
    ProgramDir dir;
    chemin_appli = dir.Path();
    QVERIFY(Plain(QSize(120, 80), Qt::blue).save(dir.Path() + "source.jpg"));
    dir.Write("orvelloCMD2",
              "#!/bin/sh\ncase \"$1\" in *bad*) " + failure.toUtf8() + ";; esac\n" +
                  QByteArray(kEchoTool).mid(10),
              true);

    RunThroughDialog(window.form, window.prompts,
                     {.picture = "/d/bon.png", .resolution = "600", .category = 1});
    QCOMPARE(window.prompts.warned, QStringList());
    QCOMPARE(ze_bitmap.size(), QSize(120, 80));
    QCOMPARE(window.form.windowTitle(), "Orvello - bon.png, 600 ppp, échelle 1, catégorie 1");
    QVERIFY(window.form.Label3->text().startsWith(
        "Affiché : bon.png, 600 ppp, échelle 1, catégorie 1 (120 × 80 pixels)"));

    RunThroughDialog(window.form, window.prompts,
                     {.picture = "/d/bad.png", .resolution = "300", .category = 1});
    QCOMPARE(window.prompts.warned.size(), 1);
    QVERIFY(ze_bitmap.isNull());
    QVERIFY(draw_bitmap.isNull());
    QCOMPARE(window.form.Memo1->toPlainText(), QString());
    QCOMPARE(window.form.windowTitle(), "Orvello");
    QVERIFY2(window.form.Label3->text().startsWith(
                 "Échec de la mesure : bad.png, 300 ppp, échelle 1, catégorie 1"),
             qPrintable(window.form.Label3->text()));
    QCOMPARE(window.form.Session().size(), 2);
    QCOMPARE(window.form.Session()[0].state, "mesuré");
    QCOMPARE(window.form.Session()[0].tool_capacity_cl, "1");
    QVERIFY(window.form.Session()[1].state.startsWith("échec : "));
    QCOMPARE(window.form.Session()[1].tool_capacity_cl, QString());
  }

  // The water image is read with the pixel limit of the tools, not the
  // image reader's default allocation limit: a plate scanned at 600 dpi is
  // shown.
  void largeWaterImage_data() {
    QTest::addColumn<QSize>("size");
    QTest::newRow("A4 at 600 dpi") << QSize(4961, 7016);
    QTest::newRow("A3 at 600 dpi") << QSize(7016, 9921);
  }

  void largeWaterImage() {
    QFETCH(QSize, size);
    Window window;
    ProgramDir dir;
    chemin_appli = dir.Path();
    {
      QImage water(size, QImage::Format_RGB32);
      water.fill(Qt::white);
      for (int y = size.height() / 4; y < size.height() / 2; ++y) {
        water.setPixel(size.width() / 3, y, qRgb(0, 0, 255));
      }
      QVERIFY(water.save(dir.Path() + "source.jpg", "jpeg", 50));
    }
    dir.Write("orvelloCMD3", kEchoTool, true);

    RunThroughDialog(window.form, window.prompts, {.picture = "/d/planche.tif", .category = 3});

    QCOMPARE(window.prompts.warned, QStringList());
    QCOMPARE(ze_bitmap.size(), size);
    QCOMPARE(draw_bitmap.size(), ZoomSize(size, 20));
    QVERIFY(window.form.Label3->text().contains(
        QStringLiteral("(%1 × %2 pixels)").arg(size.width()).arg(size.height())));
  }

  // An installed copy: the program folder cannot be written, the tool runs
  // in a fresh folder of the user's and nothing is written beside it.
  void readOnlyProgramFolder() {
    Window window;
    ProgramDir dir;
    chemin_appli = dir.Path();
    QVERIFY(Plain(QSize(120, 80), Qt::blue).save(dir.Path() + "source.jpg"));
    // The echo tool, but writing its arguments into its working folder.
    dir.Write("orvelloCMD3",
              "#!/bin/sh\n"
              "pwd -P > cwd.txt\n"
              "cp \"$(dirname \"$0\")/source.jpg\" eau.jpg\n"
              "printf 'Volume : 1 cL\\n' > results.txt\n",
              true);
    const QStringList before = Listing(dir.Path());
    QFile folder(QDir(dir.Path()).absolutePath());
    const QFileDevice::Permissions permissions = folder.permissions();
    QVERIFY(folder.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                  QFileDevice::ReadGroup | QFileDevice::ExeGroup |
                                  QFileDevice::ReadOther | QFileDevice::ExeOther));

    RunThroughDialog(window.form, window.prompts, {.picture = "/d/vase.tiff", .category = 3});
    const QString run_folder = window.form.RunFolder();
    QFile cwd(run_folder + "/cwd.txt");
    const bool cwd_read = cwd.open(QIODevice::ReadOnly);
    const QString tool_folder = QString::fromUtf8(cwd.readAll()).trimmed();
    QVERIFY(folder.setPermissions(permissions));

    QCOMPARE(window.prompts.warned, QStringList());
    QCOMPARE(ze_bitmap.size(), QSize(120, 80));
    QCOMPARE(window.form.Memo1->toPlainText(), "Volume : 1 cL");
    QCOMPARE(Listing(dir.Path()), before);
    QVERIFY(cwd_read);
    QCOMPARE(tool_folder, QDir(run_folder).canonicalPath());
    QVERIFY2(run_folder.startsWith(RunsBase() + "/mesure-"), qPrintable(run_folder));

    // The next run gets a fresh folder; the earlier one is gone.
    RunThroughDialog(window.form, window.prompts, {.picture = "/d/vase.tiff", .category = 3});
    QVERIFY(window.form.RunFolder() != run_folder);
    QVERIFY(!QFileInfo::exists(run_folder));
  }

  // During a run the window stays alive: "Nouvelle image" cannot start a
  // second run, the elapsed time shows, and Escape (or "Annuler") ends the
  // tool's process; nothing of the cancelled run is shown.
  void cancelEndsTool_data() {
    QTest::addColumn<bool>("escape");
    QTest::newRow("Escape") << true;
    QTest::newRow("Annuler") << false;
  }

  void cancelEndsTool() {
    QFETCH(bool, escape);
    Window window;
    window.form.show();
    ProgramDir dir;
    chemin_appli = dir.Path();
    // A tool that never ends: it notes its process id, then waits forever.
    dir.Write("orvelloCMD3", "#!/bin/sh\necho $$ > \"$(dirname \"$0\")/pid\"\nexec sleep 100000\n",
              true);
    window.ShowEarlier(Plain(QSize(300, 200), Qt::green), "Volume : 5 cL");

    StartThroughDialog(window.form, window.prompts, {.picture = "/d/vase.tiff", .category = 3});
    QVERIFY(window.form.Running());
    QTRY_VERIFY_WITH_TIMEOUT(dir.Has("pid"), 60'000);
    QFile pid_file(dir.Path() + "pid");
    QVERIFY(pid_file.open(QIODevice::ReadOnly));
    const pid_t pid = pid_file.readAll().trimmed().toInt();
    QVERIFY(pid > 0);
    QVERIFY(!window.form.Button1->isEnabled());
    QVERIFY(window.form.Button2->isEnabled());
    QVERIFY(window.form.Label4->text().startsWith("Mesure en cours : "));
    QVERIFY(window.form.ProgressBar1->isVisible());
    QVERIFY(ze_bitmap.isNull());
    QCOMPARE(window.form.Memo1->toPlainText(), QString());
    // Input during the run starts nothing.
    QProcess* running = window.form.RunningProcess();
    window.form.Button1Click();
    QTest::mouseClick(window.form.Button1, Qt::LeftButton);
    QVERIFY(!window.form.Form2->isVisible());
    QCOMPARE(window.form.RunningProcess(), running);

    QSignalSpy ended(&window.form, &TForm1::RunEnded);
    if (escape) {
      QApplication::setActiveWindow(&window.form);
      QVERIFY(QTest::qWaitForWindowActive(&window.form));
      QWidget* focus = QApplication::focusWidget();
      QTest::keyClick(focus != nullptr ? focus : &window.form, Qt::Key_Escape);
    } else {
      QTest::mouseClick(window.form.Button2, Qt::LeftButton);
    }
    QVERIFY(ended.wait(60'000));
    QVERIFY(!window.form.Running());
    QCOMPARE(::kill(pid, 0), -1);
    QCOMPARE(errno, ESRCH);
    QCOMPARE(window.prompts.warned, QStringList());
    QVERIFY(ze_bitmap.isNull());
    QCOMPARE(window.form.Label3->text(),
             "Mesure annulée : vase.tiff, 300 ppp, échelle 1, catégorie 3");
    QCOMPARE(window.form.Session().back().state, "annulé");
    QVERIFY(window.form.Button1->isEnabled());
    QVERIFY(!window.form.Button2->isEnabled());
    QVERIFY(!window.form.ProgressBar1->isVisible());
  }

  // The profile measurement of orvello-batch shows beside the tool's
  // results when its results carry it, and the picture switches between
  // the water image and the overlay; without it the profile is said to be
  // unavailable.
  void profileMeasure_data() {
    QTest::addColumn<QByteArray>("batch");  // empty: no orvello-batch
    QTest::addColumn<QString>("profile");
    QTest::addColumn<bool>("overlay");
    QTest::addColumn<QString>("capacity");
    const QByteArray write_json =
        "#!/bin/sh\n"
        "[ \"$2\" = --out ] && [ \"$4\" = -q ] || exit 2\n"
        "cp \"$1\" \"$(dirname \"$0\")/manifest.csv\"\n"
        "mkdir -p \"$3\"\n"
        "cp \"$(dirname \"$0\")/overlay.png\" \"$3/overlay.png\"\n"
        "cat > \"$3/results.json\" <<'JSON'\n";
    QTest::newRow("no batch") << QByteArray() << "Mesure du profil indisponible." << false << "";
    QTest::newRow("batch without the profile keys")
        << write_json + "{\"drawings\": [{\"file\": \"x\", \"capacity_cl\": 1}]}\nJSON\n"
        << "Mesure du profil indisponible." << false << "";
    QTest::newRow("batch that fails")
        << QByteArray("#!/bin/sh\nexit 2\n") << "Mesure du profil indisponible." << false << "";
    QTest::newRow("profile measured")
        << write_json +
               "{\"drawings\": [{\"file\": \"x\", \"refined_status\": \"measured\","
               " \"refined_capacity_cl\": 48.61, \"refined_capacity_low_cl\": 47.9,"
               " \"refined_capacity_high_cl\": 49.31, \"confidence\": \"ok\","
               " \"warnings\": \"open-outline\", \"overlay_image\": \"overlay.png\"}]}\nJSON\n"
        << "État : mesuré\nCapacité : 48,6 cL (de 47,9 cL à 49,3 cL)\nConfiance : bonne\n"
           "Avertissements :\n- le contour a des lacunes, qui ont été comblées"
        << true << "48.61";
  }

  void profileMeasure() {
    QFETCH(QByteArray, batch);
    QFETCH(QString, profile);
    QFETCH(bool, overlay);
    QFETCH(QString, capacity);
    Window window;
    ProgramDir dir;
    chemin_appli = dir.Path();
    QVERIFY(Plain(QSize(120, 80), Qt::blue).save(dir.Path() + "source.jpg"));
    QVERIFY(Plain(QSize(60, 40), Qt::red).save(dir.Path() + "overlay.png"));
    dir.Write("orvelloCMD", kEchoTool, true);
    if (!batch.isEmpty()) dir.Write("orvello-batch", batch, true);

    RunThroughDialog(window.form, window.prompts,
                     {.picture = "/d/vase, \"1\".jpg", .scale = "1:2", .category = 2});

    QCOMPARE(window.prompts.warned, QStringList());
    QCOMPARE(window.form.Memo1->toPlainText(), "Volume : 1 cL\nHauteur  : 2 cm");
    QCOMPARE(window.form.Memo2->toPlainText(), profile);
    QCOMPARE(window.form.RadioButton2->isEnabled(), overlay);
    QVERIFY(window.form.RadioButton1->isChecked());
    QCOMPARE(ze_bitmap.size(), QSize(120, 80));
    QCOMPARE(window.form.Session().back().profile_capacity_cl, capacity);
    if (batch.size() > 40) {
      QFile manifest(dir.Path() + "manifest.csv");
      QVERIFY(manifest.open(QIODevice::ReadOnly));
      QCOMPARE(manifest.readAll(),
               "file,category,dpi,scale\n\"/d/vase, \"\"1\"\".jpg\",2,300,0.5\n");
    }
    if (overlay) {
      window.form.TrackBar1->setValue(50);
      window.form.RadioButton2->click();
      QCOMPARE(ze_bitmap.size(), QSize(60, 40));
      QCOMPARE(draw_bitmap.size(), QSize(30, 20));
      window.form.RadioButton1->click();
      QCOMPARE(ze_bitmap.size(), QSize(120, 80));
      QCOMPARE(window.form.Session().back().confidence, "bonne");
    }
  }

  // Ctrl + wheel zooms beyond 100 %, "Ajuster" fits the image in the view;
  // the track bar then moves the zoom as before.
  void zoomBeyondAndFit() {
    Window window;
    window.form.show();
    window.ShowEarlier(Plain(QSize(400, 200), Qt::red), QString());
    window.form.TrackBar1->setValue(100);
    QWidget* viewport = window.form.ScrollBox1->viewport();
    QWheelEvent event(QPointF(50, 50), viewport->mapToGlobal(QPointF(50, 50)), QPoint(),
                      QPoint(0, 2 * kWheelNotch), Qt::NoButton, Qt::ControlModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(viewport, &event);
    QCOMPARE(window.form.Zoom(), 156.25);
    QCOMPARE(window.form.PaintBox1->size(), QSize(625, 312));
    QCOMPARE(window.form.Label1->text(), "Zoom : 156 %");
    QCOMPARE(window.form.TrackBar1->value(), 100);
    QCOMPARE(PaintedAt(window.form, QPoint(600, 300)), QColor(Qt::red));
    QCOMPARE(window.form.ScrollBox1->verticalScrollBar()->value(), 0);

    window.form.Button3Click();
    const QSize view = viewport->size();
    QVERIFY(window.form.PaintBox1->width() <= view.width());
    QVERIFY(window.form.PaintBox1->height() <= view.height());
    QVERIFY(window.form.PaintBox1->width() == view.width() ||
            window.form.PaintBox1->height() == view.height());

    window.form.TrackBar1->setValue(30);
    QCOMPARE(window.form.Zoom(), 30.0);
    QCOMPARE(draw_bitmap.size(), QSize(120, 60));
  }

  // The session's table saved as CSV, in the form chosen.
  void saveSessionTable_data() {
    QTest::addColumn<bool>("french");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("plain") << false
                           << QByteArray(
                                  "Fichier,Catégorie,Résolution (ppp),Échelle,Capacité outil (cL),"
                                  "Capacité profil (cL),Confiance,État\r\n"
                                  "/d/vase.tiff,3,600,0.5,1,,,mesuré\r\n");
    QTest::newRow("French spreadsheet")
        << true
        << QByteArray(
               "\xef\xbb\xbf"
               "Fichier;Catégorie;Résolution (ppp);Échelle;Capacité outil (cL);"
               "Capacité profil (cL);Confiance;État\r\n"
               "/d/vase.tiff;3;600;0,5;1;;;mesuré\r\n");
  }

  void saveSessionTable() {
    QFETCH(bool, french);
    QFETCH(QByteArray, expected);
    Window window;
    ProgramDir dir;
    chemin_appli = dir.Path();
    QVERIFY(Plain(QSize(120, 80), Qt::blue).save(dir.Path() + "source.jpg"));
    dir.Write("orvelloCMD3", kEchoTool, true);
    RunThroughDialog(window.form, window.prompts,
                     {.picture = "/d/vase.tiff", .resolution = "600", .scale = "0,5"});
    QCOMPARE(window.form.StringGrid1->rowCount(), 1);
    QCOMPARE(window.form.StringGrid1->item(0, 0)->text(), "vase.tiff");
    QCOMPARE(window.form.StringGrid1->item(0, 3)->text(), "0,5");

    window.prompts.table_file = {dir.Path() + "mesures.csv", french};
    window.form.Button4Click();
    QCOMPARE(window.prompts.warned, QStringList());
    QFile saved(dir.Path() + "mesures.csv");
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), expected);
  }

  // The tool of the category gets the drawing path, the resolution and the
  // scale text as three arguments, unchanged, and runs in the run's own
  // folder.
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
    QCOMPARE(QString::fromUtf8(cwd.readAll()).trimmed(),
             QDir(window.form.RunFolder()).canonicalPath());
    QCOMPARE(window.form.Memo1->toPlainText(), "Volume : 1 cL\nHauteur  : 2 cm");
    QCOMPARE(draw_bitmap.size(), QSize(24, 16));
    QVERIFY(!QFile::exists(dir.Path() + "pwned"));
    QVERIFY(!QFile::exists(dir.Path() + "pwned2"));
  }

  // "Annuler" in the dialog starts no tool and leaves the display as it was.
  void cancelStartsNothing() {
    Window window;
    ProgramDir dir;
    chemin_appli = dir.Path();
    dir.Write("orvelloCMD3", "#!/bin/sh\ntouch \"$(dirname \"$0\")/started\"\n", true);
    window.ShowEarlier(Plain(QSize(300, 200), Qt::green), "Volume : 9 cL");
    const QImage earlier = draw_bitmap;

    RunThroughDialog(window.form, window.prompts,
                     {.picture = "/d/vase.tiff", .category = 3, .cancel = true});

    QCOMPARE(cancel, true);
    QCOMPARE(chemin_image, "/d/vase.tiff");
    QVERIFY(!dir.Has("started"));
    QVERIFY(window.form.Session().isEmpty());
    QCOMPARE(draw_bitmap, earlier);
    QCOMPARE(window.form.Memo1->toPlainText(), "Volume : 9 cL");
    QVERIFY(window.prompts.warned.isEmpty());
  }
};

}  // namespace
}  // namespace orvello

QTEST_MAIN(orvello::WindowTest)
#include "Unit1_test.moc"
