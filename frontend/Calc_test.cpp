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
    QTest::newRow("crash after the version line: not the last line")
        << true << true << 11 << version
        << QString::fromUtf8(
               "Erreur ! le programme de mesure s'est arrêté anormalement (signal 11, SIGSEGV) : "
               "/p/orvelloCMD");
    QTest::newRow("crash after a French message")
        << true << true << 6 << version + "Erreur ! Aucun vase trouvé dans l'image !\n"
        << QString::fromUtf8(
               "Erreur ! le programme de mesure s'est arrêté anormalement (signal 6, SIGABRT) : "
               "/p/orvelloCMD");
    QTest::newRow("crash by a signal without a usual name")
        << true << true << 40 << QByteArray()
        << QString::fromUtf8(
               "Erreur ! le programme de mesure s'est arrêté anormalement (signal 40) : "
               "/p/orvelloCMD");
    QTest::newRow("crash, signal unknown")
        << true << true << 0 << QByteArray()
        << QString::fromUtf8(
               "Erreur ! le programme de mesure s'est arrêté anormalement : /p/orvelloCMD");
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

  // The resolution that image headers record, and what is not one.
  void recordedResolution_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("expected");  // 0: none
    const QByteArray png = QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray("\0\0\0\x0dIHDR", 8) +
                           QByteArray(13 + 4, '\0');
    const auto phys = [](quint32 per_metre, char unit) {
      QByteArray chunk("\0\0\0\x09pHYs", 8);
      for (int i = 0; i < 2; ++i) {
        for (int shift = 24; shift >= 0; shift -= 8) chunk += char(per_metre >> shift);
      }
      return chunk + unit + QByteArray(4, '\0');
    };
    const auto jfif = [](char unit, int density) {
      return QByteArray("\xff\xd8\xff\xe0\0\x10JFIF\0\x01\x02", 13) + unit + char(density >> 8) +
             char(density & 0xff) + char(density >> 8) + char(density & 0xff) + QByteArray(2, '\0');
    };
    // A little-endian TIFF whose one directory, at offset 8, holds
    // XResolution (a rational at offset 50) and ResolutionUnit.
    const auto tiff = [](quint32 numerator, quint32 denominator, int unit) {
      QByteArray t("II*\0\x08\0\0\0", 8);
      const auto u16 = [&t](int v) { t += char(v & 0xff) + QByteArray(1, char(v >> 8)); };
      const auto u32 = [&t](quint32 v) {
        for (int shift = 0; shift < 32; shift += 8) t += char(v >> shift);
      };
      u16(unit == 0 ? 1 : 2);
      u16(282), u16(5), u32(1), u32(50);
      if (unit != 0) u16(296), u16(3), u32(1), u16(unit), u16(0);
      u32(0);
      t += QByteArray(50 - t.size(), '\0');
      u32(numerator), u32(denominator);
      return t;
    };
    QTest::newRow("PNG, 600 dpi in metres") << png + phys(23622, 1) << 600;
    QTest::newRow("PNG, 300 dpi") << png + phys(11811, 1) << 300;
    QTest::newRow("PNG, no unit") << png + phys(11811, 0) << 0;
    QTest::newRow("PNG, no pHYs before the image data")
        << png + QByteArray("\0\0\0\0IDAT", 8) + phys(11811, 1) << 0;
    QTest::newRow("PNG cut in its pHYs") << (png + phys(11811, 1)).chopped(8) << 0;
    QTest::newRow("JPEG, 300 dpi in inches") << jfif(1, 300) << 300;
    QTest::newRow("JPEG, dots per centimetre") << jfif(2, 118) << 300;
    QTest::newRow("JPEG, aspect ratio only") << jfif(0, 1) << 0;
    QTest::newRow("JPEG cut short") << jfif(1, 300).left(14) << 0;
    QTest::newRow("TIFF, 600 dpi") << tiff(600, 1, 2) << 600;
    QTest::newRow("TIFF, no unit: inches") << tiff(1200, 1, 0) << 1200;
    QTest::newRow("TIFF, centimetres") << tiff(2362, 10, 3) << 600;
    QTest::newRow("TIFF, zero denominator") << tiff(600, 0, 2) << 0;
    QTest::newRow("TIFF, directory outside the file") << tiff(600, 1, 2).left(30) << 0;
    QTest::newRow("BMP, 300 dpi") << QByteArray("BM", 2) + QByteArray(12, '\0') +
                                         QByteArray("\x28\0\0\0", 4) + QByteArray(20, '\0') +
                                         QByteArray("\x23\x2e\0\0", 4) + QByteArray(20, '\0')
                                  << 300;
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("text") << QByteArray("pas une image") << 0;
  }

  void recordedResolution() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, expected);
    const std::optional<int> dpi = RecordedResolution(bytes);
    QCOMPARE(dpi.value_or(0), expected);
  }

  // A CSV field with its separator, quotes or line ends is quoted; text
  // that a spreadsheet would take for a formula is marked as text; numbers
  // take the form's decimal separator.
  void sessionCsv_data() {
    QTest::addColumn<bool>("french");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray plain_title =
        "Fichier,Catégorie,Résolution (ppp),Échelle,Capacité outil (cL),Capacité profil (cL),"
        "Confiance,État\r\n";
    const QByteArray french_title =
        "\xef\xbb\xbf"
        "Fichier;Catégorie;Résolution (ppp);Échelle;Capacité outil (cL);Capacité profil (cL);"
        "Confiance;État\r\n";
    QTest::newRow("plain") << false
                           << plain_title +
                                  "/d/vase.tiff,3,600,0.333333333333333,48.5971,48.61,élevée,"
                                  "mesuré\r\n"
                                  "\"/d/a,b \"\"c\"\".png\",1,300,1,,,,\"échec : x, y\"\r\n"
                                  "'=cmd|x.png,2,300,-1,,,,'-annulé\r\n";
    QTest::newRow("French spreadsheet")
        << true
        << french_title +
               "/d/vase.tiff;3;600;0,333333333333333;48,5971;48,61;élevée;mesuré\r\n"
               "\"/d/a,b \"\"c\"\".png\";1;300;1;;;;échec : x, y\r\n"
               "'=cmd|x.png;2;300;-1;;;;'-annulé\r\n";
  }

  void sessionCsv() {
    QFETCH(bool, french);
    QFETCH(QByteArray, expected);
    const QList<SessionRow> rows = {
        {"/d/vase.tiff", 3, 600, "0.333333333333333", "48.5971", "48.61", "élevée", "mesuré"},
        {"/d/a,b \"c\".png", 1, 300, "1", "", "", "", "échec : x, y"},
        {"=cmd|x.png", 2, 300, "-1", "", "", "", "-annulé"},
    };
    QCOMPARE(SessionCsv(rows, french ? CsvForm::kFrenchSpreadsheet : CsvForm::kPlain), expected);
  }

  // The refined_* keys of the batch's results, shown in French words.
  void profileText_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("expected");
    QTest::newRow("not JSON") << QByteArray("{") << "Mesure du profil indisponible.";
    QTest::newRow("no drawing") << QByteArray("{\"drawings\": []}")
                                << "Mesure du profil indisponible.";
    QTest::newRow("keys absent") << QByteArray("{\"drawings\": [{\"capacity_cl\": 3}]}")
                                 << "Mesure du profil indisponible.";
    QTest::newRow("measured")
        << QByteArray(
               "{\"drawings\": [{\"refined_status\": \"ok\", \"refined_capacity_cl\": 48.61,"
               " \"refined_capacity_low_cl\": 47.91, \"refined_capacity_high_cl\": 49.33,"
               " \"confidence\": 0.82, \"warnings\": []}]}")
        << "État : mesuré\nCapacité : 48,6 cL (de 47,9 cL à 49,3 cL)\nConfiance : 82 %\n"
           "Avertissements : aucun";
    QTest::newRow("as the batch writes it: warnings in one text")
        << QByteArray(
               "{\"drawings\": [{\"refined_status\": \"measured\", \"refined_capacity_cl\": 22.98,"
               " \"refined_capacity_low_cl\": 22.5, \"refined_capacity_high_cl\": 23.4,"
               " \"confidence\": \"check\", \"warnings\": \"open-outline;thick-pen\","
               " \"overlay_image\": \"overlay/001-a.png\"}]}")
        << "État : mesuré\nCapacité : 23,0 cL (de 22,5 cL à 23,4 cL)\nConfiance : à vérifier\n"
           "Avertissements :\n- le contour a des lacunes, qui ont été comblées\n"
           "- le trait est épais par rapport au vase";
    QTest::newRow("category 3: the whole vessel's volume, no capacity")
        << QByteArray(
               "{\"drawings\": [{\"refined_status\": \"measured\", \"refined_capacity_cl\": null,"
               " \"refined_solid_cl\": 33.72, \"refined_solid_low_cl\": 33.63,"
               " \"refined_solid_high_cl\": 34.22, \"confidence\": \"ok\","
               " \"warnings\": \"no-interior-estimate\"}]}")
        << "État : mesuré\nCapacité : non mesurée\n"
           "Volume du vase plein : 33,7 cL (de 33,6 cL à 34,2 cL)\nConfiance : bonne\n"
           "Avertissements :\n- épaisseur de paroi inconnue : pas de capacité intérieure";
    QTest::newRow("refused, with its reason")
        << QByteArray(
               "{\"drawings\": [{\"refined_status\": \"refused\", \"refined_capacity_cl\": null,"
               " \"refined_refusal\": \"no outline found\", \"confidence\": \"check\","
               " \"warnings\": \"\"}]}")
        << "État : refusé (no outline found)\nCapacité : non mesurée\nConfiance : à vérifier\n"
           "Avertissements : aucun";
    QTest::newRow("unknown words kept readable")
        << QByteArray(
               "{\"drawings\": [{\"refined_status\": \"half_done\", \"confidence\": \"ok\","
               " \"warnings\": [\"rim_not_found\"]}]}")
        << "État : half done\nCapacité : non mesurée\nConfiance : bonne\nAvertissements :\n"
           "- rim not found";
  }

  void profileText() {
    QFETCH(QByteArray, json);
    QFETCH(QString, expected);
    QCOMPARE(ProfileText(ReadProfile(json)), expected);
  }

  void oneRowManifest() {
    QCOMPARE(OneRowManifest("/d/a, \"b\".png", 2, 600, "0.5"),
             "file,category,dpi,scale\n\"/d/a, \"\"b\"\".png\",2,600,0.5\n");
  }

  void volumeText_data() {
    QTest::addColumn<QString>("results");
    QTest::addColumn<QString>("expected");
    QTest::newRow("category 3") << "Volume : 12.5 cL\nHauteur  : 8.3 cm\n"
                                << "12.5";
    QTest::newRow("exponent") << "Volume : 1.2e-05 cL\n"
                              << "1.2e-05";
    QTest::newRow("no volume") << "Hauteur  : 8.3 cm\n"
                               << "";
  }

  void volumeText() {
    QFETCH(QString, results);
    QFETCH(QString, expected);
    QCOMPARE(VolumeText(results), expected);
  }
};

}  // namespace
}  // namespace orvello

QTEST_GUILESS_MAIN(orvello::CalcTest)
#include "Calc_test.moc"
