#include "Unit2.h"

#include <QImage>
#include <QLocale>
#include <QTemporaryDir>
#include <QtTest>
#include <optional>

#include "FormTesting.h"
#include "Unit1.h"

Q_DECLARE_METATYPE(std::optional<double>)

namespace orvello {
namespace {

using testing::CategoryButton;
using testing::FakePrompts;

const QString kNoImage = QStringLiteral("Erreur ! Veuillez sélectionner une image !");
const QString kBadScale = QStringLiteral("Erreur ! Format d'échelle incorrect !");
const QString kNoCategory = QStringLiteral("Erreur ! Veuillez sélectionner une catégorie !");
const QString kDrawing = QStringLiteral("/data/dessins/vase 12.tiff");

// A value that no check of the dialog writes.
constexpr double kUntouched = -7.25;

class DialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    testing::ResetRunState();
    echelle = kUntouched;
    cancel = true;
  }

  void cleanup() { QLocale::setDefault(QLocale::c()); }

  // Each "OK" tells only the first failed check, and keeps the dialog open.
  void messagesInOrder_data() {
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("scale");
    QTest::addColumn<int>("category");
    QTest::addColumn<QStringList>("told");
    QTest::addColumn<double>("stored_scale");
    QTest::newRow("nothing chosen, bad scale, no category")
        << ""
        << "x" << 0 << QStringList{kNoImage} << kUntouched;
    QTest::newRow("nothing chosen, good scale and category")
        << ""
        << "2" << 3 << QStringList{kNoImage} << kUntouched;
    QTest::newRow("bad scale, no category")
        << kDrawing << "x" << 0 << QStringList{kBadScale} << kUntouched;
    QTest::newRow("no category: the scale is stored already")
        << kDrawing << "2,5" << 0 << QStringList{kNoCategory} << 2.5;
  }

  void messagesInOrder() {
    QFETCH(QString, picture);
    QFETCH(QString, scale);
    QFETCH(int, category);
    QFETCH(QStringList, told);
    QFETCH(double, stored_scale);
    FakePrompts prompts;
    TForm2 dialog(prompts.Make());
    dialog.show();
    if (!picture.isEmpty()) {
      prompts.pictures << picture;
      dialog.Button1Click();
    }
    dialog.Edit1->setText(scale);
    if (category != 0) CategoryButton(dialog, category)->setChecked(true);
    QTest::mouseClick(dialog.Button2, Qt::LeftButton);
    QCOMPARE(prompts.told, told);
    QVERIFY(dialog.isVisible());
    QCOMPARE(echelle, stored_scale);
    QCOMPARE(cancel, true);
    QCOMPARE(categorie, 0);
    QCOMPARE(resolution, 0);
    QCOMPARE(dialog.Edit1->text(), scale);
    QCOMPARE(dialog.Label1->text(), picture.isEmpty() ? "Non choisi" : picture);
  }

  void acceptStoresEveryInput_data() {
    QTest::addColumn<int>("category");
    QTest::newRow("category 1") << 1;
    QTest::newRow("category 2") << 2;
    QTest::newRow("category 3") << 3;
  }

  void acceptStoresEveryInput() {
    QFETCH(int, category);
    FakePrompts prompts;
    TForm2 dialog(prompts.Make());
    dialog.show();
    testing::FillDialog(
        dialog, prompts,
        {.picture = kDrawing, .resolution = "600", .scale = "0,5", .category = category});
    QVERIFY(prompts.told.isEmpty());
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(chemin_image, kDrawing);
    QCOMPARE(resolution, 600);
    QCOMPARE(echelle, 0.5);
    QCOMPARE(categorie, category);
    QCOMPARE(cancel, false);
  }

  // Nothing typed in an earlier showing carries over, however it closed.
  void formShowResetsInputs_data() {
    QTest::addColumn<bool>("cancelled");
    QTest::newRow("after OK") << false;
    QTest::newRow("after Annuler") << true;
  }

  void formShowResetsInputs() {
    QFETCH(bool, cancelled);
    FakePrompts prompts;
    TForm2 dialog(prompts.Make());
    dialog.show();
    testing::FillDialog(dialog, prompts,
                        {.picture = kDrawing,
                         .resolution = "1200",
                         .scale = "0.25",
                         .category = 2,
                         .cancel = cancelled});
    QVERIFY(!dialog.isVisible());

    dialog.show();
    QCOMPARE(dialog.SpinEdit1->value(), 300);
    QCOMPARE(dialog.SpinEdit1->text(), "300");
    QCOMPARE(dialog.Edit1->text(), "1");
    QCOMPARE(dialog.Label1->text(), "Non choisi");
    QVERIFY(!dialog.RadioButton1->isChecked());
    QVERIFY(!dialog.RadioButton2->isChecked());
    QVERIFY(!dialog.RadioButton3->isChecked());
    // The buttons still exclude one another after the reset.
    dialog.RadioButton1->click();
    dialog.RadioButton3->click();
    QVERIFY(!dialog.RadioButton1->isChecked());
    QVERIFY(dialog.RadioButton3->isChecked());
  }

  // "." and "," are both decimal separators, whatever the default locale.
  void scaleUnderLocale_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<double>>("expected");
    const struct {
      const char* name;
      const char* text;
      std::optional<double> expected;
    } kRows[] = {
        {"point", "1.5", 1.5},
        {"comma", "1,5", 1.5},
        {"blanks around", " 1,5 ", 1.5},
        {"tab and line end around", "\t0.5\r\n", 0.5},
        {"whole", "2", 2},
        {"exponent", "15E-1", 1.5},
        {"exponent after a comma", "0,15e+1", 1.5},
        {"leading separator", ",5", 0.5},
        {"trailing separator", "3.", 3},
        {"sign", "+2", 2},
        {"zero", "0", 0},
        {"negative", "-1", -1},
        {"empty", "", std::nullopt},
        {"only blanks", "   ", std::nullopt},
        {"letters", "abc", std::nullopt},
        {"letters after the number", "1,5 cm", std::nullopt},
        {"a separator alone", ",", std::nullopt},
        {"two separators", "1.000,5", std::nullopt},
        {"comma group separator", "1,000.5", std::nullopt},
        {"blank group separator", "1 000", std::nullopt},
        {"no-break space group separator", "1\u00a0000", std::nullopt},
        {"narrow no-break space group separator", "1\u202f000", std::nullopt},
        {"no-break space around", "\u00a01,5", std::nullopt},
        {"infinity", "inf", std::nullopt},
        {"overflow", "1e999", std::nullopt},
        {"exponent without digits", "1e", std::nullopt},
        {"ratio with a colon", "1:3", 1.0 / 3},
        {"ratio with a slash", "1/3", 1.0 / 3},
        {"ratio with blanks", " 1 : 4 ", 0.25},
        {"ratio of decimals", "1,5:3", 0.5},
        {"ratio of two", "2/3", 2.0 / 3},
        {"ratio over zero", "1:0", std::nullopt},
        {"ratio with a sign", "-1:3", std::nullopt},
        {"ratio without a second number", "1:", std::nullopt},
        {"ratio without a first number", "/3", std::nullopt},
        {"two ratios", "1:3:4", std::nullopt},
        {"ratio with letters", "1:3 cm", std::nullopt},
    };
    for (const QLocale& locale : {QLocale(QLocale::French, QLocale::France),
                                  QLocale(QLocale::English, QLocale::UnitedStates)}) {
      for (const auto& row : kRows) {
        QTest::addRow("%s, %s", qPrintable(locale.name()), row.name)
            << locale << QString::fromUtf8(row.text) << row.expected;
      }
    }
  }

  void scaleUnderLocale() {
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QFETCH(std::optional<double>, expected);
    QLocale::setDefault(locale);
    FakePrompts prompts;
    TForm2 dialog(prompts.Make());
    dialog.show();
    testing::FillDialog(dialog, prompts, {.picture = kDrawing, .scale = text, .category = 1});
    if (expected) {
      QCOMPARE(prompts.told, QStringList());
      QCOMPARE(echelle, *expected);
      QCOMPARE(cancel, false);
    } else {
      QCOMPARE(prompts.told, QStringList{kBadScale});
      QCOMPARE(echelle, kUntouched);
    }
  }

  // The field stands for its text as a whole number, or 100, within 100 to
  // 10000, and shows that value once "OK" is clicked.
  void resolutionBounds_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("expected");
    QTest::newRow("empty") << "" << 100;
    QTest::newRow("below the minimum") << "50" << 100;
    QTest::newRow("above the maximum") << "20000" << 10000;
    QTest::newRow("the minimum") << "100" << 100;
    QTest::newRow("the maximum") << "10000" << 10000;
    QTest::newRow("inside") << "2400" << 2400;
    QTest::newRow("not a number") << "abc" << 100;
  }

  void resolutionBounds() {
    QFETCH(QString, typed);
    QFETCH(int, expected);
    FakePrompts prompts;
    TForm2 dialog(prompts.Make());
    dialog.show();
    prompts.pictures << kDrawing;
    dialog.Button1Click();
    dialog.RadioButton2->setChecked(true);
    testing::TypeResolution(dialog.SpinEdit1, typed);
    QCOMPARE(dialog.SpinEdit1->text(), typed);
    QTest::mouseClick(dialog.Button2, Qt::LeftButton);
    QCOMPARE(prompts.told, QStringList());
    QCOMPARE(resolution, expected);
    QCOMPARE(dialog.SpinEdit1->text(), QString::number(expected));
  }

  void arrowsStayWithinBounds_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("expected");
    QTest::newRow("up from 300") << 300 << 1 << 301;
    QTest::newRow("up at the maximum") << 10000 << 1 << 10000;
    QTest::newRow("down at the minimum") << 100 << -1 << 100;
  }

  void arrowsStayWithinBounds() {
    QFETCH(int, start);
    QFETCH(int, steps);
    QFETCH(int, expected);
    FakePrompts prompts;
    TForm2 dialog(prompts.Make());
    dialog.show();
    dialog.SpinEdit1->setValue(start);
    dialog.SpinEdit1->stepBy(steps);
    QCOMPARE(dialog.SpinEdit1->value(), expected);
  }

  // A file dialog cancelled after a first choice keeps that choice;
  // "Annuler" then stops the run with the path still chosen.
  void cancelAfterChoice() {
    FakePrompts prompts;
    TForm2 dialog(prompts.Make());
    dialog.show();
    prompts.pictures << kDrawing << QString();
    dialog.Button1Click();
    dialog.Button1Click();
    QCOMPARE(chemin_image, kDrawing);
    QCOMPARE(dialog.Label1->text(), kDrawing);
    cancel = false;
    QTest::mouseClick(dialog.Button3, Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(cancel, true);
    QCOMPARE(chemin_image, kDrawing);
    QVERIFY(prompts.told.isEmpty());
  }

  // A close by the window manager counts as "Annuler"; the keys that close
  // or accept ordinary dialogs do nothing here.
  void otherWaysToClose_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("closes");
    QTest::newRow("window manager close") << 0 << true;
    QTest::newRow("Escape") << int(Qt::Key_Escape) << false;
    QTest::newRow("Return") << int(Qt::Key_Return) << false;
    QTest::newRow("Enter") << int(Qt::Key_Enter) << false;
  }

  void otherWaysToClose() {
    QFETCH(int, key);
    QFETCH(bool, closes);
    FakePrompts prompts;
    TForm2 dialog(prompts.Make());
    dialog.show();
    prompts.pictures << kDrawing;
    dialog.Button1Click();
    dialog.RadioButton1->setChecked(true);
    cancel = false;
    if (key == 0) {
      dialog.close();
    } else {
      QTest::keyClick(&dialog, Qt::Key(key));
    }
    QCOMPARE(!dialog.isVisible(), closes);
    QCOMPARE(cancel, closes);
    QVERIFY(prompts.told.isEmpty());
  }

  // A file that records another resolution than the field's: the dialog
  // says so before closing, and the user takes the file's, keeps the typed
  // one, or goes back to the dialog.
  void recordedResolution_data() {
    QTest::addColumn<QString>("file");  // in the samples, or written by the test
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("asked");  // empty: no question
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("stored");  // 0: the dialog stays open
    const QString tiff_asked = "Le fichier indique 600 ppp ; vous avez saisi 300 ppp.";
    QTest::newRow("TIFF 600, typed 300, take the file's")
        << "vase.tiff"
        << "300" << 0 << tiff_asked << "Le fichier indique 600 ppp" << 600;
    QTest::newRow("TIFF 600, typed 300, keep the typed")
        << "vase.tiff"
        << "300" << 1 << tiff_asked << "Le fichier indique 600 ppp" << 300;
    QTest::newRow("TIFF 600, typed 300, back to the dialog")
        << "vase.tiff"
        << "300" << 2 << tiff_asked << "Le fichier indique 600 ppp" << 0;
    QTest::newRow("TIFF 600, typed 300, question closed")
        << "vase.tiff"
        << "300" << -1 << tiff_asked << "Le fichier indique 600 ppp" << 0;
    QTest::newRow("TIFF 600, typed 600") << "vase.tiff"
                                         << "600" << 0 << ""
                                         << "Le fichier indique 600 ppp" << 600;
    QTest::newRow("JPEG 300, typed 300") << "vase.jpg"
                                         << "300" << 0 << ""
                                         << "Le fichier indique 300 ppp" << 300;
    QTest::newRow("BMP 300, typed 1200")
        << "25.bmp"
        << "1200" << 0 << "Le fichier indique 300 ppp ; vous avez saisi 1200 ppp."
        << "Le fichier indique 300 ppp" << 300;
    QTest::newRow("PNG 1200, typed 300")
        << "png1200"
        << "300" << 0 << "Le fichier indique 1200 ppp ; vous avez saisi 300 ppp."
        << "Le fichier indique 1200 ppp" << 1200;
    QTest::newRow("PNG 72, outside the field: not asked") << "png72"
                                                          << "300" << 0 << ""
                                                          << "Le fichier indique 72 ppp" << 300;
    QTest::newRow("PNG without a resolution") << "png"
                                              << "300" << 0 << ""
                                              << "" << 300;
    QTest::newRow("missing file") << "absent.tiff"
                                  << "300" << 0 << ""
                                  << "" << 300;
  }

  void recordedResolution() {
    QFETCH(QString, file);
    QFETCH(QString, typed);
    QFETCH(int, answer);
    QFETCH(QString, asked);
    QFETCH(QString, label);
    QFETCH(int, stored);
    QTemporaryDir dir;
    QString path = QStringLiteral(ORVELLO_SAMPLES_DIR "/") + file;
    if (file.startsWith("png")) {
      path = dir.filePath(file + ".png");
      QImage image(40, 30, QImage::Format_RGB32);
      image.fill(Qt::white);
      if (file != "png") {
        const int dpi = file.mid(3).toInt();
        image.setDotsPerMeterX(qRound(dpi / 0.0254));
        image.setDotsPerMeterY(qRound(dpi / 0.0254));
      }
      QVERIFY(image.save(path));
      if (file == "png") {  // the writer always records one: drop its pHYs chunk
        QFile png(path);
        QVERIFY(png.open(QIODevice::ReadWrite));
        QByteArray bytes = png.readAll();
        const qsizetype phys = bytes.indexOf("pHYs");
        QVERIFY(phys > 0);
        bytes.remove(phys - 4, 4 + 4 + 9 + 4);
        QVERIFY(png.resize(0));
        png.write(bytes);
      }
    }
    FakePrompts prompts;
    prompts.answers << answer;
    TForm2 dialog(prompts.Make());
    dialog.show();
    testing::FillDialog(dialog, prompts, {.picture = path, .resolution = typed, .category = 3});
    QCOMPARE(dialog.Label6->text(), label);
    QCOMPARE(prompts.asked, asked.isEmpty() ? QStringList() : QStringList{asked});
    if (!asked.isEmpty()) {
      const QString recorded = asked.section(' ', 3, 3);
      QCOMPARE(prompts.choices.front(), QStringList({"Utiliser " + recorded + " ppp",
                                                     "Garder " + typed + " ppp", "Annuler"}));
    }
    QCOMPARE(prompts.told, QStringList());
    if (stored == 0) {
      QCOMPARE(resolution, 0);
      QCOMPARE(cancel, true);  // FillDialog's "Annuler" once the dialog stayed open
    } else {
      QCOMPARE(resolution, stored);
      QCOMPARE(cancel, false);
    }
  }

  void formDefinition() {
    FakePrompts prompts;
    TForm2 dialog(prompts.Make());
    QCOMPARE(dialog.windowTitle(), "Nouvelle image - Orvello");
    QCOMPARE(dialog.size(), QSize(1336, 664));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    QVERIFY(!(dialog.windowFlags() & Qt::WindowCloseButtonHint));
    QVERIFY(!(dialog.windowFlags() & Qt::WindowSystemMenuHint));
    QCOMPARE(dialog.SpinEdit1->minimum(), 100);
    QCOMPARE(dialog.SpinEdit1->maximum(), 10000);
    for (QLabel* image : {dialog.Image1, dialog.Image2, dialog.Image3}) {
      QVERIFY2(!image->pixmap().isNull(), qPrintable(image->objectName()));
    }
    QCOMPARE(dialog.Image1->pixmap().size(), QSize(3199, 2052));
    QCOMPARE(dialog.Image2->pixmap().size(), QSize(1919, 1696));
    QCOMPARE(dialog.Image3->pixmap().size(), QSize(500, 356));

    const QWidget* expected[] = {dialog.Button1,      dialog.SpinEdit1,    dialog.Edit1,
                                 dialog.RadioButton1, dialog.RadioButton2, dialog.Button2,
                                 dialog.Button3,      dialog.RadioButton3};
    // The focus chain, leaving out the labels and the inner parts of the
    // controls.
    QWidget* widget = dialog.Button1;
    for (const QWidget* next : expected) {
      while (widget->parentWidget() != &dialog || widget->focusPolicy() == Qt::NoFocus) {
        widget = widget->nextInFocusChain();
      }
      QCOMPARE(widget->objectName(), next->objectName());
      widget = widget->nextInFocusChain();
    }
  }
};

}  // namespace
}  // namespace orvello

QTEST_MAIN(orvello::DialogTest)
#include "Unit2_test.moc"
