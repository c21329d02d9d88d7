// The measurement run end to end, with the real tools of this build on
// drawings of every category.

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>
#include <map>

#include "FormTesting.h"
#include "Unit1.h"

namespace orvello {
namespace {

using testing::ProgramDir;
using testing::RunThroughDialog;

// Returns the executable of the tool for `category` in this build, or an
// empty text when the build has none.
QString ToolOf(int category) {
  switch (category) {
#ifdef ORVELLO_TOOL_CATEGORY1
    case 1:
      return QStringLiteral(ORVELLO_TOOL_CATEGORY1);
#endif
#ifdef ORVELLO_TOOL_CATEGORY2
    case 2:
      return QStringLiteral(ORVELLO_TOOL_CATEGORY2);
#endif
#ifdef ORVELLO_TOOL_CATEGORY3
    case 3:
      return QStringLiteral(ORVELLO_TOOL_CATEGORY3);
#endif
    default:
      return QString();
  }
}

// The labels of the results file's lines, per category.
QStringList LabelsOf(int category) {
  if (category == 3) {
    return {"Volume : ", "Hauteur  : ", "Diametre ouverture : "};
  }
  return {"Volume : ",
          "Hauteur du liquide : ",
          "Hauteur totale : ",
          "Diametre ouverture : ",
          "Rapport Diametre de l'ouverture / Hauteur totale : ",
          "Diametre du fond : ",
          "Largeur moyenne du bord :"};
}

struct Drawing {
  QString path;
  int dpi = 300;
};

// A main window whose program directory holds links to every tool.
struct Bench : testing::Window {
  Bench() {
    chemin_appli = dir.Path();
    for (int category : {1, 2, 3}) {
      const QString tool = ToolOf(category);
      if (!tool.isEmpty()) {
        QFile::link(tool, dir.Path() + QFileInfo(tool).fileName());
      }
    }
#ifdef ORVELLO_BATCH
    QFile::link(QStringLiteral(ORVELLO_BATCH), dir.Path() + "orvello-batch");
#endif
  }

  // Runs "Nouvelle image" on `drawing` of `category` with `scale`.
  void Run(int category, const Drawing& drawing, const QString& scale = "1") {
    RunThroughDialog(form, prompts,
                     {.picture = drawing.path,
                      .resolution = QString::number(drawing.dpi),
                      .scale = scale,
                      .category = category});
  }

  ProgramDir dir;
};

class RunTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY(work_.isValid());
    for (int category : {1, 2, 3}) {
      if (ToolOf(category).isEmpty()) continue;
#ifdef ORVELLO_DRAWGEN
      const QString path = work_.filePath(QStringLiteral("category%1.png").arg(category));
      QProcess drawgen;
      drawgen.start(QStringLiteral(ORVELLO_DRAWGEN),
                    {"--category", QString::number(category), "--shape", "cylinder", "--dpi", "300",
                     "--scale", "1", "--out", path});
      QVERIFY(drawgen.waitForFinished(-1));
      QCOMPARE(drawgen.exitCode(), 0);
      drawings_[category] = {path, 300};
#else
      const struct {
        const char* name;
        int dpi;
      } kSamples[] = {{"25.bmp", 300}, {"vase.jpg", 300}, {"vase.tiff", 600}};
      const QString path = QStringLiteral(ORVELLO_SAMPLES_DIR "/") +
                           QString::fromLatin1(kSamples[category - 1].name);
      if (QFile::exists(path)) {
        drawings_[category] = {path, kSamples[category - 1].dpi};
      }
#endif
    }
    QVERIFY(!drawings_.empty());
  }

  void measures_data() { AddCategoryRows(); }

  // The memo shows the results file's lines and the water image is shown at
  // the start zoom.
  void measures() {
    QFETCH(int, category);
    Bench bench;
    bench.Run(category, drawings_.at(category));

    QCOMPARE(bench.prompts.warned, QStringList());
    const QStringList lines = bench.form.Memo1->toPlainText().split('\n');
    const QStringList labels = LabelsOf(category);
    QCOMPARE(lines.size(), labels.size());
    for (qsizetype i = 0; i < labels.size(); ++i) {
      QVERIFY2(lines[i].startsWith(labels[i]), qPrintable(lines[i]));
    }
    const QImage water(bench.form.RunFolder() + "/eau.jpg");
    QVERIFY(!water.isNull());
    QCOMPARE(ze_bitmap.size(), water.size());
    QCOMPARE(draw_bitmap.size(), ZoomSize(water.size(), 20));
    QCOMPARE(bench.form.PaintBox1->size(), draw_bitmap.size());
    QCOMPARE(bench.form.Label1->text(), "Zoom : 20 %");
    // The profile measurement, or the word that it is unavailable.
    QVERIFY(!bench.form.Memo2->toPlainText().isEmpty());
    QVERIFY(bench.form.Memo2->toPlainText() != "Mesure du profil en cours…");
  }

  void failingToolClears_data() {
    QTest::addColumn<int>("category");
    QTest::addColumn<bool>("unreadable");
    QTest::addColumn<QString>("scale");
    QTest::addColumn<QString>("message");  // "%1": the drawing's path
    for (const auto& [category, drawing] : drawings_) {
      QTest::addRow("category %d, unreadable drawing", category) << category << true << "1"
                                                                 << "Cannot read the image: %1";
      QTest::addRow("category %d, scale 0", category)
          << category << false << "0"
          << "Erreur ! Résolution ou échelle incorrecte !";
      QTest::addRow("category %d, negative scale", category)
          << category << false << "-1"
          << "Erreur ! Résolution ou échelle incorrecte !";
    }
  }

  // After a good run, a failing one tells the tool's message and clears
  // the image and the results of the good run.
  void failingToolClears() {
    QFETCH(int, category);
    QFETCH(bool, unreadable);
    QFETCH(QString, scale);
    QFETCH(QString, message);
    Bench bench;
    bench.Run(category, drawings_.at(category));
    QCOMPARE(bench.prompts.warned, QStringList());
    QVERIFY(!ze_bitmap.isNull());
    bench.form.TrackBar1->setValue(35);

    Drawing drawing = drawings_.at(category);
    if (unreadable) {
      drawing.path = work_.filePath("not an image.jpg");
      QFile text(drawing.path);
      QVERIFY(text.open(QIODevice::WriteOnly));
      text.write("pas une image\n");
    }
    bench.Run(category, drawing, scale);

    if (message.contains("%1")) message = message.arg(drawing.path);
    QCOMPARE(bench.prompts.warned, QStringList{message});
    QVERIFY(ze_bitmap.isNull());
    QVERIFY(draw_bitmap.isNull());
    QCOMPARE(bench.form.Label1->text(), "Zoom : 35 %");
    QCOMPARE(bench.form.Memo1->toPlainText(), QString());
    QCOMPARE(bench.form.windowTitle(), "Orvello");
    QVERIFY(bench.form.Label3->text().startsWith("Échec de la mesure : "));
  }

  // "Annuler" in the dialog starts nothing and leaves the display as it
  // was.
  void cancelStartsNothing() {
    const auto& [category, drawing] = *drawings_.begin();
    Bench bench;
    bench.Run(category, drawing);
    const QString folder = bench.form.RunFolder();
    const QImage shown = draw_bitmap;

    RunThroughDialog(bench.form, bench.prompts,
                     {.picture = drawing.path, .category = category, .cancel = true});

    QCOMPARE(bench.form.RunFolder(), folder);
    QCOMPARE(draw_bitmap, shown);
    QCOMPARE(bench.prompts.warned, QStringList());
    QCOMPARE(bench.form.Session().size(), 1);
  }

  // A drawing the size of a plate scanned at 600 dpi is measured and its
  // water image shown whole.
  void plateSizedDrawing() {
#ifndef ORVELLO_DRAWGEN
    QSKIP("needs the drawing generator");
#else
    if (ToolOf(3).isEmpty()) QSKIP("needs the category-3 tool");
    const QString path = work_.filePath("planche A4.png");
    QProcess drawgen;
    drawgen.start(QStringLiteral(ORVELLO_DRAWGEN),
                  {"--category", "3", "--shape", "globular", "--dpi", "600", "--height-cm", "20",
                   "--width", "4961", "--height", "7016", "--out", path});
    QVERIFY(drawgen.waitForFinished(-1));
    QCOMPARE(drawgen.exitCode(), 0);
    Bench bench;
    bench.Run(3, {path, 600});

    QCOMPARE(bench.prompts.warned, QStringList());
    QCOMPARE(ze_bitmap.size(), QSize(4961, 7016));
    QCOMPARE(draw_bitmap.size(), ZoomSize(QSize(4961, 7016), 20));
    QVERIFY(bench.form.Memo1->toPlainText().startsWith("Volume : "));
    QVERIFY(bench.form.Label3->text().contains("planche A4.png, 600 ppp"));
#endif
  }

  void awkwardPath_data() { AddCategoryRows(); }

  // A drawing under a path with blanks, quotes, shell characters and
  // non-ASCII letters measures as the same drawing under a plain path.
  void awkwardPath() {
    QFETCH(int, category);
    const Drawing& plain = drawings_.at(category);
    const QString folder =
        work_.filePath(QString::fromUtf8("dessins \"anciens\" ; $(touch pwned) é"));
    QVERIFY(QDir().mkpath(folder));
    Drawing awkward = plain;
    awkward.path = folder + "/-vase n°" + QString::number(category) + " 'été'." +
                   QFileInfo(plain.path).suffix();
    QFile::remove(awkward.path);
    QVERIFY(QFile::copy(plain.path, awkward.path));

    Bench bench;
    bench.Run(category, plain);
    const QString expected = bench.form.Memo1->toPlainText();
    bench.Run(category, awkward);

    QCOMPARE(bench.prompts.warned, QStringList());
    QVERIFY(!expected.isEmpty());
    QCOMPARE(bench.form.Memo1->toPlainText(), expected);
    QVERIFY(!bench.dir.Has("pwned"));
  }

 private:
  // Adds one row per category that has a tool and a drawing.
  void AddCategoryRows() {
    QTest::addColumn<int>("category");
    for (const auto& [category, drawing] : drawings_) {
      QTest::addRow("category %d", category) << category;
    }
  }

  QTemporaryDir work_;
  std::map<int, Drawing> drawings_;
};

}  // namespace
}  // namespace orvello

QTEST_MAIN(orvello::RunTest)
#include "Unit1_run_test.moc"
