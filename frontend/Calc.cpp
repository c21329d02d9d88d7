#include "Calc.h"

#include <QLocale>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

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
  if (!kNumber.match(number).hasMatch()) return std::nullopt;
  bool ok = false;
  const double value = QLocale::c().toDouble(number, &ok);
  if (!ok || !std::isfinite(value)) return std::nullopt;
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

QString RunFailure(const QString& program, const ToolRun& run) {
  if (!run.started) return QStringLiteral("Impossible de lancer ") + program;
  if (!run.crashed && run.exit_status == 0) return QString();
  const QString last = LastLine(run.output);
  if (!last.isEmpty()) return last;
  if (run.crashed) return program + QStringLiteral(" s'est arrêté anormalement");
  return program + QStringLiteral(" s'est terminé avec le code %1").arg(run.exit_status);
}

QString OpenFailure(const QString& path, const QString& cause) {
  return QStringLiteral("Impossible d'ouvrir le fichier \"%1\". %2").arg(path, cause);
}

QString DecodeFailure(const QString& path, const QString& cause) {
  return QStringLiteral("Impossible de lire l'image \"%1\". %2").arg(path, cause);
}

}  // namespace orvello
