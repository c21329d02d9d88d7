#include "Calc.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdint>

#include "common/category.h"

namespace orvello {

int ZoomLength(int length, int position) {
  const double factor = position / 100.0;
  // nearbyint rounds in the default mode, to nearest with ties to even.
  return static_cast<int>(std::nearbyint(length * factor));
}

QSize ZoomSize(QSize size, int position) {
  return QSize(ZoomLength(size.width(), position), ZoomLength(size.height(), position));
}

QSize ZoomSize(QSize size, double percent) {
  const double factor = percent / 100.0;
  return QSize(static_cast<int>(std::nearbyint(size.width() * factor)),
               static_cast<int>(std::nearbyint(size.height() * factor)));
}

double FitZoom(QSize image, QSize area) {
  if (image.isEmpty() || area.isEmpty()) return 100;
  return 100.0 * std::min(static_cast<double>(area.width()) / image.width(),
                          static_cast<double>(area.height()) / image.height());
}

QString ZoomLabel(int position) { return QStringLiteral("Zoom : %1 %").arg(position); }

bool Paints(QSize drawn) { return drawn.width() > 10; }

QSize PaintBoxSize(QSize current, QSize drawn) { return Paints(drawn) ? drawn : current; }

QString ScaleText(double scale) { return QLocale::c().toString(scale, 'g', 15); }

std::optional<double> ParseScale(const QString& text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && text[begin].unicode() <= 32) ++begin;
  while (end > begin && text[end - 1].unicode() <= 32) --end;
  QString number = text.mid(begin, end - begin);
  number.replace(QLatin1Char(','), QLatin1Char('.'));

  static const QRegularExpression kNumber(
      QStringLiteral(R"(\A[+-]?(?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[eE][+-]?[0-9]+)?\z)"));
  static const QRegularExpression kRatio(
      QStringLiteral(R"(\A((?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[eE][+-]?[0-9]+)?) *[:/] *)"
                     R"(((?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[eE][+-]?[0-9]+)?)\z)"));
  double value = 0;
  if (kNumber.match(number).hasMatch()) {
    bool ok = false;
    value = QLocale::c().toDouble(number, &ok);
    if (!ok) return std::nullopt;
  } else if (const QRegularExpressionMatch ratio = kRatio.match(number); ratio.hasMatch()) {
    bool drawn_ok = false;
    bool real_ok = false;
    const double drawn = QLocale::c().toDouble(ratio.captured(1), &drawn_ok);
    const double real = QLocale::c().toDouble(ratio.captured(2), &real_ok);
    if (!drawn_ok || !real_ok || real == 0) return std::nullopt;
    value = drawn / real;
  } else {
    return std::nullopt;
  }
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

int ResolutionValue(const QString& text) {
  bool ok = false;
  const int value = text.toInt(&ok);
  return std::clamp(ok ? value : kResolutionMin, kResolutionMin, kResolutionMax);
}

QString ToolProgram(const QString& program_dir, int categorie) {
  const orvello::CategoryInfo* category = orvello::FindCategory(categorie);
  // An unknown category runs the median-line tool, as the dialog's default.
  const std::string_view name = (category ? *category : orvello::GetCategory(2)).program;
  QString program =
      program_dir + QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
#ifdef Q_OS_WIN
  program += QStringLiteral(".exe");
#endif
  return program;
}

QString BatchProgram(const QString& program_dir) {
  QString program = program_dir + QStringLiteral("orvello-batch");
#ifdef Q_OS_WIN
  program += QStringLiteral(".exe");
#endif
  return program;
}

int WheelStep(int position, int step, int minimum, int maximum) {
  return std::clamp(position + step, minimum, maximum);
}

QString LastLine(const QByteArray& output) {
  const QList<QByteArray> lines = output.split('\n');
  for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
    const QByteArray trimmed = line->trimmed();
    if (!trimmed.isEmpty()) return QString::fromUtf8(trimmed);
  }
  return QString();
}

QString SignalName(int number) {
  static const struct {
    int number;
    const char* name;
  } kSignals[] = {
      {SIGABRT, "SIGABRT"}, {SIGBUS, "SIGBUS"},   {SIGFPE, "SIGFPE"},   {SIGHUP, "SIGHUP"},
      {SIGILL, "SIGILL"},   {SIGINT, "SIGINT"},   {SIGKILL, "SIGKILL"}, {SIGPIPE, "SIGPIPE"},
      {SIGQUIT, "SIGQUIT"}, {SIGSEGV, "SIGSEGV"}, {SIGTERM, "SIGTERM"}, {SIGTRAP, "SIGTRAP"},
  };
  for (const auto& known : kSignals) {
    if (known.number == number) return QString::fromLatin1(known.name);
  }
  return QString();
}

QString RunFailure(const QString& program, const ToolRun& run) {
  if (!run.started) return QStringLiteral("Impossible de lancer ") + program;
  if (run.cancelled) return QString();
  if (run.crashed) {
    QString signal;
    if (run.exit_status > 0) {
      const QString name = SignalName(run.exit_status);
      signal = QStringLiteral(" (signal %1%2)")
                   .arg(run.exit_status)
                   .arg(name.isEmpty() ? QString() : QStringLiteral(", ") + name);
    }
    return QStringLiteral("Erreur ! le programme de mesure s'est arrêté anormalement%1 : %2")
        .arg(signal, program);
  }
  if (run.exit_status == 0) return QString();
  const QString last = LastLine(run.output);
  if (!last.isEmpty()) return last;
  return program + QStringLiteral(" s'est terminé avec le code %1").arg(run.exit_status);
}

QString OpenFailure(const QString& path, const QString& cause) {
  return QStringLiteral("Impossible d'ouvrir le fichier \"%1\". %2").arg(path, cause);
}

QString DecodeFailure(const QString& path, const QString& cause) {
  return QStringLiteral("Impossible de lire l'image \"%1\". %2").arg(path, cause);
}

QString EmptyResults(const QString& path) {
  return QStringLiteral("Erreur ! Le fichier de résultats \"%1\" est vide.").arg(path);
}

namespace {

// Reads little- or big-endian unsigned integers inside a byte view; a read
// outside it gives nullopt.
class Bytes {
 public:
  Bytes(QByteArrayView bytes, bool big_endian) : bytes_(bytes), big_(big_endian) {}

  std::optional<uint32_t> U8(qsizetype at) const { return Read(at, 1); }
  std::optional<uint32_t> U16(qsizetype at) const { return Read(at, 2); }
  std::optional<uint32_t> U32(qsizetype at) const { return Read(at, 4); }

 private:
  std::optional<uint32_t> Read(qsizetype at, int size) const {
    if (at < 0 || at > bytes_.size() - size) return std::nullopt;
    uint32_t value = 0;
    for (int i = 0; i < size; ++i) {
      const uint32_t byte = static_cast<uint8_t>(bytes_[at + (big_ ? i : size - 1 - i)]);
      value = value << 8 | byte;
    }
    return value;
  }

  QByteArrayView bytes_;
  bool big_;
};

std::optional<int> Dpi(double dots_per_unit, double units_per_inch) {
  const double dpi = dots_per_unit * units_per_inch;
  if (!std::isfinite(dpi) || dpi < 1 || dpi > 1e6) return std::nullopt;
  return static_cast<int>(std::lround(dpi));
}

constexpr double kInchesPerMetre = 0.0254;
constexpr double kCentimetresPerInch = 2.54;

std::optional<int> PngResolution(QByteArrayView bytes) {
  const Bytes b(bytes, true);
  for (qsizetype at = 8; at + 8 <= bytes.size();) {
    const std::optional<uint32_t> length = b.U32(at);
    if (!length) return std::nullopt;
    const QByteArrayView type = bytes.sliced(at + 4, 4);
    if (type == "IDAT" || type == "IEND") return std::nullopt;
    if (type == "pHYs") {
      const auto x = b.U32(at + 8);
      const auto unit = b.U8(at + 16);
      if (!x || !unit || *unit != 1) return std::nullopt;
      return Dpi(*x, kInchesPerMetre);
    }
    at += 12 + static_cast<qsizetype>(*length);
  }
  return std::nullopt;
}

std::optional<int> JpegResolution(QByteArrayView bytes) {
  const Bytes b(bytes, true);
  // The segments before the image data, looking for the JFIF one.
  for (qsizetype at = 2;;) {
    const auto marker = b.U16(at);
    const auto length = b.U16(at + 2);
    if (!marker || !length || (*marker & 0xFF00) != 0xFF00 || *marker == 0xFFDA) {
      return std::nullopt;
    }
    if (*marker == 0xFFE0 && *length >= 16 && at + 9 <= bytes.size() &&
        bytes.sliced(at + 4, 5) == QByteArrayView("JFIF\0", 5)) {
      const auto unit = b.U8(at + 11);
      const auto x = b.U16(at + 12);
      if (!unit || !x) return std::nullopt;
      if (*unit == 1) return Dpi(*x, 1);
      if (*unit == 2) return Dpi(*x, kCentimetresPerInch);
      return std::nullopt;
    }
    at += 2 + static_cast<qsizetype>(*length);
  }
}

std::optional<int> TiffResolution(QByteArrayView bytes) {
  const Bytes b(bytes, bytes.startsWith("MM"));
  const auto ifd = b.U32(4);
  if (!ifd) return std::nullopt;
  const auto entries = b.U16(*ifd);
  if (!entries) return std::nullopt;
  std::optional<double> x;
  uint32_t unit = 2;  // inches when the file does not say
  for (uint32_t i = 0; i < *entries; ++i) {
    const qsizetype entry = *ifd + 2 + 12 * static_cast<qsizetype>(i);
    const auto tag = b.U16(entry);
    const auto type = b.U16(entry + 2);
    if (!tag || !type) return std::nullopt;
    if (*tag == 282 && *type == 5) {  // XResolution, a RATIONAL at an offset
      const auto at = b.U32(entry + 8);
      if (!at) return std::nullopt;
      const auto numerator = b.U32(*at);
      const auto denominator = b.U32(*at + 4);
      if (!numerator || !denominator || *denominator == 0) return std::nullopt;
      x = static_cast<double>(*numerator) / *denominator;
    } else if (*tag == 296 && *type == 3) {  // ResolutionUnit, a SHORT in place
      const auto value = b.U16(entry + 8);
      if (!value) return std::nullopt;
      unit = *value;
    }
  }
  if (!x) return std::nullopt;
  if (unit == 2) return Dpi(*x, 1);
  if (unit == 3) return Dpi(*x, kCentimetresPerInch);
  return std::nullopt;
}

std::optional<int> BmpResolution(QByteArrayView bytes) {
  const Bytes b(bytes, false);
  const auto header = b.U32(14);
  if (!header || *header < 40) return std::nullopt;
  const auto x = b.U32(38);
  if (!x || *x == 0) return std::nullopt;
  return Dpi(*x, kInchesPerMetre);
}

}  // namespace

std::optional<int> RecordedResolution(QByteArrayView bytes) {
  if (bytes.startsWith(QByteArrayView("\x89PNG\r\n\x1a\n", 8))) return PngResolution(bytes);
  if (bytes.startsWith(QByteArrayView("\xff\xd8", 2))) return JpegResolution(bytes);
  if (bytes.startsWith(QByteArrayView("II*\0", 4)) ||
      bytes.startsWith(QByteArrayView("MM\0*", 4))) {
    return TiffResolution(bytes);
  }
  if (bytes.startsWith(QByteArrayView("BM", 2))) return BmpResolution(bytes);
  return std::nullopt;
}

std::optional<int> FileResolution(const QString& path) {
  const QFileInfo info(path);
  if (!info.isFile() || info.size() == 0) return std::nullopt;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  // Mapped, so that a TIFF directory at the end of a large scan is read
  // without reading the pixels.
  const uchar* data = file.map(0, file.size());
  if (data == nullptr) return std::nullopt;
  const std::optional<int> dpi =
      RecordedResolution(QByteArrayView(reinterpret_cast<const char*>(data), file.size()));
  file.unmap(const_cast<uchar*>(data));
  return dpi;
}

QString ResolutionMismatch(int recorded, int typed) {
  return QStringLiteral("Le fichier indique %1 ppp ; vous avez saisi %2 ppp.")
      .arg(recorded)
      .arg(typed);
}

QString FrenchNumber(const QString& c_number) {
  QString text = c_number;
  text.replace(QLatin1Char('.'), QLatin1Char(','));
  return text;
}

QString VolumeText(const QString& results) {
  static const QRegularExpression kVolume(QStringLiteral(R"(\AVolume : (\S+) cL\r?(?:\n|\z))"));
  const QRegularExpressionMatch match = kVolume.match(results);
  return match.hasMatch() ? match.captured(1) : QString();
}

namespace {

std::optional<double> Number(const QJsonValue& value) {
  if (!value.isDouble()) return std::nullopt;
  return value.toDouble();
}

QString Text(const QJsonValue& value) {
  if (value.isString()) return value.toString();
  if (value.isDouble()) return QLocale::c().toString(value.toDouble(), 'g', 6);
  return QString();
}

// Returns `code` ("thin-wall", "rim_not_found") as words ("thin wall").
QString Words(QString code) {
  code.replace(QLatin1Char('_'), QLatin1Char(' '));
  code.replace(QLatin1Char('-'), QLatin1Char(' '));
  return code;
}

QString StatusWords(const QString& status) {
  static const struct {
    const char* status;
    const char* words;
  } kStatuses[] = {
      {"measured", "mesuré"},  {"refused", "refusé"}, {"ok", "mesuré"},
      {"check", "à vérifier"}, {"failed", "échec"},   {"error", "échec"},
  };
  for (const auto& known : kStatuses) {
    if (status.compare(QLatin1String(known.status), Qt::CaseInsensitive) == 0) {
      return QString::fromUtf8(known.words);
    }
  }
  return Words(status);
}

QString Centilitres(double value) {
  return QLocale(QLocale::French, QLocale::France).toString(value, 'f', 1) + QStringLiteral(" cL");
}

}  // namespace

QString ConfidenceWords(const QString& confidence) {
  bool is_number = false;
  const double fraction = QLocale::c().toDouble(confidence, &is_number);
  if (is_number && fraction >= 0 && fraction <= 1) {
    return QStringLiteral("%1 %").arg(std::lround(fraction * 100));
  }
  static const struct {
    const char* word;
    const char* words;
  } kWords[] = {
      {"ok", "bonne"},       {"check", "à vérifier"}, {"high", "élevée"},
      {"medium", "moyenne"}, {"low", "faible"},
  };
  for (const auto& known : kWords) {
    if (confidence.compare(QLatin1String(known.word), Qt::CaseInsensitive) == 0) {
      return QString::fromUtf8(known.words);
    }
  }
  return Words(confidence);
}

std::optional<ProfileMeasure> ReadProfile(const QByteArray& json) {
  const QJsonDocument document = QJsonDocument::fromJson(json);
  const QJsonArray drawings = document.object().value(QStringLiteral("drawings")).toArray();
  if (drawings.isEmpty()) return std::nullopt;
  const QJsonObject drawing = drawings.first().toObject();
  if (!drawing.contains(QStringLiteral("refined_status"))) return std::nullopt;
  ProfileMeasure measure;
  measure.status = Text(drawing.value(QStringLiteral("refined_status")));
  measure.capacity_cl = Number(drawing.value(QStringLiteral("refined_capacity_cl")));
  measure.low_cl = Number(drawing.value(QStringLiteral("refined_capacity_low_cl")));
  measure.high_cl = Number(drawing.value(QStringLiteral("refined_capacity_high_cl")));
  measure.confidence = Text(drawing.value(QStringLiteral("confidence")));
  const QJsonValue warnings = drawing.value(QStringLiteral("warnings"));
  if (warnings.isArray()) {
    for (const QJsonValue& warning : warnings.toArray()) {
      if (const QString text = Text(warning); !text.isEmpty()) measure.warnings << text;
    }
  } else if (const QString text = Text(warnings); !text.isEmpty()) {
    measure.warnings = text.split(QLatin1Char(';'), Qt::SkipEmptyParts);
  }
  measure.overlay_image = Text(drawing.value(QStringLiteral("overlay_image")));
  measure.refusal = Text(drawing.value(QStringLiteral("refined_refusal")));
  measure.solid_cl = Number(drawing.value(QStringLiteral("refined_solid_cl")));
  measure.solid_low_cl = Number(drawing.value(QStringLiteral("refined_solid_low_cl")));
  measure.solid_high_cl = Number(drawing.value(QStringLiteral("refined_solid_high_cl")));
  return measure;
}

QString ProfileText(const std::optional<ProfileMeasure>& measure) {
  if (!measure) return QStringLiteral("Mesure du profil indisponible.");
  QStringList lines;
  QString state = QStringLiteral("État : ") + StatusWords(measure->status);
  if (!measure->refusal.isEmpty()) state += QStringLiteral(" (") + measure->refusal + ')';
  lines << state;
  const auto with_range = [](double value, std::optional<double> low, std::optional<double> high) {
    QString text = Centilitres(value);
    if (low && high) {
      text += QStringLiteral(" (de %1 à %2)").arg(Centilitres(*low), Centilitres(*high));
    }
    return text;
  };
  if (measure->capacity_cl) {
    lines << QStringLiteral("Capacité : ") +
                 with_range(*measure->capacity_cl, measure->low_cl, measure->high_cl);
  } else {
    lines << QStringLiteral("Capacité : non mesurée");
  }
  if (measure->solid_cl) {
    lines << QStringLiteral("Volume du vase plein : ") +
                 with_range(*measure->solid_cl, measure->solid_low_cl, measure->solid_high_cl);
  }
  if (!measure->confidence.isEmpty()) {
    lines << QStringLiteral("Confiance : ") + ConfidenceWords(measure->confidence);
  }
  if (measure->warnings.isEmpty()) {
    lines << QStringLiteral("Avertissements : aucun");
  } else {
    lines << QStringLiteral("Avertissements :");
    for (const QString& warning : measure->warnings) {
      lines << QStringLiteral("- ") + WarningWords(warning);
    }
  }
  return lines.join(QLatin1Char('\n'));
}

QString WarningWords(const QString& code) {
  static const struct {
    const char* code;
    const char* words;
  } kWarnings[] = {
      {"skew-corrected", "le dessin a été redressé d'un petit angle"},
      {"ink-ignored", "de l'encre hors du vase (texte, échelle, taches) a été laissée de côté"},
      {"asymmetric", "les deux côtés diffèrent (anse, bec ou vase non circulaire)"},
      {"open-outline", "le contour a des lacunes, qui ont été comblées"},
      {"low-resolution", "le dessin a peu de pixels par centimètre du vase"},
      {"floor-uncertain", "le fond intérieur n'est pas nettement dessiné"},
      {"rim-uncertain", "la ligne de la lèvre n'est pas nettement dessinée"},
      {"axis-uncertain", "l'axe n'est pas nettement dessiné"},
      {"thick-pen", "le trait est épais par rapport au vase"},
      {"disagrees-with-tool", "le programme de mesure de la catégorie donne une autre capacité"},
      {"no-interior-estimate", "épaisseur de paroi inconnue : pas de capacité intérieure"},
  };
  for (const auto& known : kWarnings) {
    if (code.trimmed() == QLatin1String(known.code)) return QString::fromUtf8(known.words);
  }
  return Words(code.trimmed());
}

QStringList SessionColumns() {
  return {QStringLiteral("Fichier"),
          QStringLiteral("Catégorie"),
          QStringLiteral("Résolution (ppp)"),
          QStringLiteral("Échelle"),
          QStringLiteral("Capacité outil (cL)"),
          QStringLiteral("Capacité profil (cL)"),
          QStringLiteral("Confiance"),
          QStringLiteral("État")};
}

QStringList SessionFields(const SessionRow& row, bool french) {
  const auto number = [french](const QString& text) { return french ? FrenchNumber(text) : text; };
  return {row.file,
          row.category > 0 ? QString::number(row.category) : QString(),
          row.dpi > 0 ? QString::number(row.dpi) : QString(),
          number(row.scale),
          number(row.tool_capacity_cl),
          number(row.profile_capacity_cl),
          row.confidence,
          row.state};
}

namespace {

// The fields of a session row that hold text rather than numbers.
constexpr bool kTextField[] = {true, false, false, false, false, false, true, true};

QString CsvField(QString field, bool text, QChar separator) {
  if (text && !field.isEmpty() && QStringLiteral("=+-@\t\r").contains(field.front())) {
    field.prepend(QLatin1Char('\''));
  }
  if (field.contains(separator) || field.contains(QLatin1Char('"')) ||
      field.contains(QLatin1Char('\n')) || field.contains(QLatin1Char('\r'))) {
    field.replace(QLatin1String("\""), QLatin1String("\"\""));
    field = QLatin1Char('"') + field + QLatin1Char('"');
  }
  return field;
}

}  // namespace

QByteArray SessionCsv(const QList<SessionRow>& rows, CsvForm form) {
  const bool french = form == CsvForm::kFrenchSpreadsheet;
  const QChar separator = french ? QLatin1Char(';') : QLatin1Char(',');
  QString csv;
  const auto add_line = [&](const QStringList& fields, bool titles) {
    for (qsizetype i = 0; i < fields.size(); ++i) {
      if (i > 0) csv += separator;
      csv += CsvField(fields[i], titles || kTextField[i], separator);
    }
    csv += QLatin1String("\r\n");
  };
  add_line(SessionColumns(), true);
  for (const SessionRow& row : rows) add_line(SessionFields(row, french), false);
  QByteArray bytes = csv.toUtf8();
  if (french) bytes.prepend("\xef\xbb\xbf");
  return bytes;
}

QByteArray OneRowManifest(const QString& path, int category, int dpi, const QString& scale) {
  QString quoted = path;
  quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
  return QStringLiteral("file,category,dpi,scale\n\"%1\",%2,%3,%4\n")
      .arg(quoted)
      .arg(category)
      .arg(dpi)
      .arg(scale)
      .toUtf8();
}

}  // namespace orvello
