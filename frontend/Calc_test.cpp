#include "Calc.h"

#include <QLocale>
#include <QtTest>

namespace orvello {
namespace {

class CalcTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { QLocale::setDefault(QLocale::c()); }

  void zoomLength_data() {
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("expected");
    QTest::newRow("101 px at 50 %: 50.5 to even") << 101 << 50 << 50;
    QTest::newRow("103 px at 50 %: 51.5 to even") << 103 << 50 << 52;
    QTest::newRow("5 px at 50 %: 2.5 to even") << 5 << 50 << 2;
    QTest::newRow("7 px at 50 %: 3.5 to even") << 7 << 50 << 4;
    QTest::newRow("1919 px at 20 %: 383.8 up") << 1919 << 20 << 384;
    QTest::newRow("3199 px at 21 %: 671.79 up") << 3199 << 21 << 672;
    QTest::newRow("2052 px at 33 %: 677.16 down") << 2052 << 33 << 677;
    QTest::newRow("at 0 %") << 2052 << 0 << 0;
    QTest::newRow("at 100 %: own size") << 1919 << 100 << 1919;
    QTest::newRow("empty image") << 0 << 20 << 0;
  }

  void zoomLength() {
    QFETCH(int, length);
    QFETCH(int, position);
    QFETCH(int, expected);
    QCOMPARE(ZoomLength(length, position), expected);
    QCOMPARE(ZoomSize(QSize(length, length), position), QSize(expected, expected));
  }

  void paintBoxSize_data() {
    QTest::addColumn<QSize>("drawn");
    QTest::addColumn<QSize>("expected");
    const QSize current(105, 105);
    QTest::newRow("nothing drawn") << QSize(0, 0) << current;
    QTest::newRow("10 px wide, not painted") << QSize(10, 400) << current;
    QTest::newRow("11 px wide, painted") << QSize(11, 3) << QSize(11, 3);
    QTest::newRow("wide") << QSize(640, 410) << QSize(640, 410);
  }

  void paintBoxSize() {
    QFETCH(QSize, drawn);
    QFETCH(QSize, expected);
    QCOMPARE(PaintBoxSize(QSize(105, 105), drawn), expected);
  }

  void scaleText_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<double>("scale");
    QTest::addColumn<QString>("expected");
    const struct {
      const char* name;
      double scale;
      const char* text;
    } kRows[] = {
        {"whole", 1, "1"},
        {"half", 0.5, "0.5"},
        {"one and a half", 1.5, "1.5"},
        {"zero", 0, "0"},
        {"negative", -1, "-1"},
        {"no group separator", 1234567, "1234567"},
        {"15 significant digits", 1.0 / 3, "0.333333333333333"},
        {"sum rounded at 15 digits", 0.1 + 0.2, "0.3"},
        {"small: exponent", 1e-5, "1e-05"},
        {"large: exponent", 1e20, "1e+20"},
    };
    for (const QLocale& locale : {QLocale(QLocale::French, QLocale::France),
                                  QLocale(QLocale::English, QLocale::UnitedStates),
                                  QLocale(QLocale::German, QLocale::Germany)}) {
      for (const auto& row : kRows) {
        QTest::addRow("%s, %s", qPrintable(locale.name()), row.name)
            << locale << row.scale << QString::fromLatin1(row.text);
      }
    }
  }

  void scaleText() {
    QFETCH(QLocale, locale);
    QFETCH(double, scale);
    QFETCH(QString, expected);
    QLocale::setDefault(locale);
    QCOMPARE(ScaleText(scale), expected);
  }

  void toolProgram_data() {
    QTest::addColumn<int>("categorie");
    QTest::addColumn<QString>("expected");
    QTest::newRow("category 1") << 1 << "/opt/orvello/bin/orvelloCMD2";
    QTest::newRow("category 2") << 2 << "/opt/orvello/bin/orvelloCMD";
    QTest::newRow("category 3") << 3 << "/opt/orvello/bin/orvelloCMD3";
    QTest::newRow("no category") << 0 << "/opt/orvello/bin/orvelloCMD";
    QTest::newRow("category 4") << 4 << "/opt/orvello/bin/orvelloCMD";
  }

  void toolProgram() {
    QFETCH(int, categorie);
    QFETCH(QString, expected);
    QCOMPARE(ToolProgram(QStringLiteral("/opt/orvello/bin/"), categorie), expected);
  }

  void wheelStep_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("expected");
    QTest::newRow("top, away from the user") << 0 << -8 << 500 << 0;
    QTest::newRow("top, toward the user") << 0 << 8 << 500 << 8;
    QTest::newRow("near the bottom") << 496 << 8 << 500 << 500;
    QTest::newRow("bottom, toward the user") << 500 << 8 << 500 << 500;
    QTest::newRow("bottom, away from the user") << 500 << -8 << 500 << 492;
    QTest::newRow("nothing to scroll") << 0 << 8 << 0 << 0;
  }

  void wheelStep() {
    QFETCH(int, position);
    QFETCH(int, step);
    QFETCH(int, maximum);
    QFETCH(int, expected);
    QCOMPARE(WheelStep(position, step, 0, maximum), expected);
  }

  void runFailure_data() {
    QTest::addColumn<bool>("started");
    QTest::addColumn<bool>("crashed");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QString>("expected");
    const QByteArray version = "opencv version : 4.6\n";
    QTest::newRow("success, whatever it said")
        << true << false << 0 << version + "impossible d'ouvrir le fichier results.txt\n"
        << QString();
    QTest::newRow("could not start")
        << false << false << 0 << QByteArray() << "Impossible de lancer /p/orvelloCMD";
    QTest::newRow("status 1: its French message, UTF-8")
        << true << false << 1
        << version +
               "Erreur ! Impossible de d\xc3\xa9terminer la ligne m\xc3\xa9"
               "diane !\n"
        << QString::fromUtf8("Erreur ! Impossible de déterminer la ligne médiane !");
    QTest::newRow("status 255: blank lines and CR LF after the message")
        << true << false << 255 << version + "Cannot read the image: /d/a b.jpg\r\n\r\n  \n"
        << "Cannot read the image: /d/a b.jpg";
    QTest::newRow("crash after the version line")
        << true << true << 0 << version << "opencv version : 4.6";
    QTest::newRow("crash, nothing said")
        << true << true << 0 << QByteArray()
        << QString::fromUtf8("/p/orvelloCMD s'est arrêté anormalement");
    QTest::newRow("status 3, nothing said")
        << true << false << 3 << QByteArray()
        << QString::fromUtf8("/p/orvelloCMD s'est terminé avec le code 3");
  }

  void runFailure() {
    QFETCH(bool, started);
    QFETCH(bool, crashed);
    QFETCH(int, status);
    QFETCH(QByteArray, output);
    QFETCH(QString, expected);
    const ToolRun run{
        .started = started, .crashed = crashed, .exit_status = status, .output = output};
    QCOMPARE(RunFailure(QStringLiteral("/p/orvelloCMD"), run), expected);
  }
};

}  // namespace
}  // namespace orvello

QTEST_GUILESS_MAIN(orvello::CalcTest)
#include "Calc_test.moc"
