#include "Unit1.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QImageReader>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>
#include <utility>

#include "Unit2.h"
#include "common/category.h"

namespace orvello {

QString chemin_image;
QString chemin_appli;
double echelle = 0;
int resolution = 0;
int categorie = 0;
bool cancel = false;

QByteArray ze_jpeg;
QImage ze_bitmap;
QImage draw_bitmap;

namespace {

constexpr char kManifestName[] = "profil.csv";
constexpr char kProfileFolder[] = "profil";
constexpr char kTitle[] = "Orvello";

// The most pixels a shown image may have: the most that the tools read
// (ORVELLO_MAX_PIXELS when set, as for the tools).
qint64 MaxPixels() {
  bool ok = false;
  const qint64 value = qEnvironmentVariable("ORVELLO_MAX_PIXELS").toLongLong(&ok);
  return ok && value > 0 ? value : 400'000'000;
}

// The zoom factor of one Ctrl + wheel notch.
constexpr double kZoomStep = 1.25;

// The paint box's size when nothing is shown.
constexpr QSize kEmptyBox(105, 105);

}  // namespace

QProcess* LanceAppliAttenteFin(const QString& program, const QStringList& arguments,
                               const QString& working_directory, QObject* owner,
                               std::function<void(const ToolRun&)> on_end) {
  auto* process = new QProcess(owner);
  process->setProgram(program);
  process->setArguments(arguments);
  process->setWorkingDirectory(working_directory);
  process->setStandardInputFile(QProcess::nullDevice());
  process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  QObject::connect(process, &QProcess::finished, process,
                   [process, on_end](int code, QProcess::ExitStatus status) {
                     ToolRun run;
                     run.started = true;
                     run.crashed = status == QProcess::CrashExit;
                     run.exit_status = code;
                     run.output = process->readAllStandardOutput();
                     process->deleteLater();
                     on_end(run);
                   });
  QObject::connect(process, &QProcess::errorOccurred, process,
                   [process, on_end](QProcess::ProcessError error) {
                     if (error != QProcess::FailedToStart) return;
                     process->deleteLater();
                     on_end(ToolRun{});
                   });
  process->start();
  return process;
}

QString RunsBase() {
  const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
  if (!cache.isEmpty() && QDir().mkpath(cache) && QFileInfo(cache).isWritable()) return cache;
  return QDir::tempPath();
}

QString WriteFileWhole(const QString& path, const QByteArray& bytes) {
  const QFileInfo info(path);
  QTemporaryFile file(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                      QStringLiteral(".XXXXXX.part"));
  if (!file.open()) return file.errorString();
  if (file.write(bytes) != bytes.size() || !file.flush()) return file.errorString();
  file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                      QFileDevice::ReadOther);
  file.close();
  if (file.error() != QFileDevice::NoError) return file.errorString();
  std::error_code error;
  std::filesystem::rename(QFile::encodeName(file.fileName()).toStdString(),
                          QFile::encodeName(info.absoluteFilePath()).toStdString(), error);
  if (error) return QString::fromLocal8Bit(error.message());
  file.setAutoRemove(false);
  return QString();
}

TForm1::TForm1(Prompts prompts, QWidget* parent) : QWidget(parent), prompts_(std::move(prompts)) {
  setupUi(this);
  Form2 = new TForm2(prompts_, this);
  connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
  connect(Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
  connect(Button4, &QPushButton::clicked, this, &TForm1::Button4Click);
  connect(RadioButton1, &QRadioButton::clicked, this, &TForm1::RadioButton1Click);
  connect(RadioButton2, &QRadioButton::clicked, this, &TForm1::RadioButton2Click);
  connect(TrackBar1, &QSlider::valueChanged, this, &TForm1::TrackBar1Change);
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  escape->setContext(Qt::WindowShortcut);
  connect(escape, &QShortcut::activated, this, &TForm1::Button2Click);
  connect(&busy_timer_, &QTimer::timeout, this, &TForm1::ShowElapsed);
  busy_timer_.setInterval(250);
  PaintBox1->installEventFilter(this);
  ScrollBox1->viewport()->installEventFilter(this);
  StringGrid1->setColumnCount(static_cast<int>(SessionColumns().size()));
  StringGrid1->setHorizontalHeaderLabels(SessionColumns());
  StringGrid1->verticalHeader()->setDefaultSectionSize(StringGrid1->fontMetrics().height() + 6);
  Splitter1->setStretchFactor(0, 3);
  Splitter1->setStretchFactor(1, 1);
  FormCreate();
}

TForm1::~TForm1() {
  if (process_ != nullptr) {
    process_->disconnect();
    process_->kill();
    process_->waitForFinished(-1);
  }
}

void TForm1::FormCreate() {
  chemin_appli = QCoreApplication::applicationDirPath();
  if (!chemin_appli.endsWith(QLatin1Char('/'))) chemin_appli += QLatin1Char('/');
  Label1->setText(ZoomLabel(TrackBar1->value()));
  Label1->adjustSize();
  Label2->adjustSize();
  ScrollBox1->verticalScrollBar()->setSingleStep(kWheelLine);
  if (const QScreen* screen = this->screen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
}

void TForm1::Button1Click() {
  if (Running()) return;
  chemin_image.clear();
  Form2->exec();
  if (cancel || Running()) return;
  StartRun({.path = chemin_image, .dpi = resolution, .scale = echelle, .category = categorie});
}

QString TForm1::Describe(const Params& params) const {
  return QStringLiteral("%1, %2 ppp, échelle %3, catégorie %4")
      .arg(QFileInfo(params.path).fileName())
      .arg(params.dpi)
      .arg(FrenchNumber(ScaleText(params.scale)))
      .arg(params.category);
}

void TForm1::StartRun(const Params& params) {
  params_ = params;
  ClearDisplay();
  SessionRow row;
  row.file = params.path;
  row.category = params.category;
  row.dpi = params.dpi;
  row.scale = ScaleText(params.scale);
  row.state = QStringLiteral("en cours");
  session_.append(row);
  session_row_ = session_.size() - 1;
  UpdateSessionRow(session_row_);
  Label3->setText(QStringLiteral("Mesure en cours : ") + Describe(params));

  // A fresh folder per run: the tools write into their working folder,
  // which an installed program folder is not.
  run_dir_.reset();
  run_dir_ = std::make_unique<QTemporaryDir>(RunsBase() + QStringLiteral("/mesure-XXXXXX"));
  if (!run_dir_->isValid()) {
    const QString cause = run_dir_->errorString();
    run_dir_.reset();
    Fail(QStringLiteral("Impossible de créer le dossier de travail dans \"%1\". %2")
             .arg(RunsBase(), cause));
    emit RunEnded();
    return;
  }

  const QString program = ToolProgram(chemin_appli, params.category);
  const QStringList arguments = {params.path, QString::number(params.dpi), ScaleText(params.scale)};
  cancelling_ = false;
  busy_text_ = QStringLiteral("Mesure en cours : %1 s");
  SetBusy(true);
  process_ = LanceAppliAttenteFin(program, arguments, run_dir_->path(), this,
                                  [this, program](const ToolRun& run) { ToolEnded(program, run); });
  UpdateTitle();
}

void TForm1::ToolEnded(const QString& program, const ToolRun& ended) {
  process_ = nullptr;
  ToolRun run = ended;
  run.cancelled = cancelling_;
  SessionRow& row = session_[session_row_];
  if (run.cancelled) {
    ClearDisplay();
    Label3->setText(QStringLiteral("Mesure annulée : ") + Describe(params_));
    row.state = QStringLiteral("annulé");
    EndRun();
    return;
  }
  if (const QString failure = RunFailure(program, run); !failure.isEmpty()) {
    Fail(failure);
    EndRun();
    return;
  }

  const QDir dir(run_dir_->path());
  const QString results_path = dir.filePath(QLatin1String(orvello::kResultsFileName));
  QFile results(results_path);
  if (!results.open(QIODevice::ReadOnly | QIODevice::Text)) {
    Fail(OpenFailure(results_path, results.errorString()));
    EndRun();
    return;
  }
  QString text = QString::fromUtf8(results.readAll());
  if (text.trimmed().isEmpty()) {
    Fail(EmptyResults(results_path));
    EndRun();
    return;
  }
  if (text.endsWith(QLatin1Char('\n'))) text.chop(1);

  const QString water_path = dir.filePath(QLatin1String(orvello::kWaterImageName));
  QByteArray bytes;
  QImage image;
  if (const QString failure = ReadImage(water_path, &bytes, &image); !failure.isEmpty()) {
    Fail(failure);
    EndRun();
    return;
  }
  water_bytes_ = bytes;
  water_ = image;
  ShowImage(bytes, image);
  Memo1->setPlainText(text);
  const QString shown = Describe(params_);
  Label3->setText(QStringLiteral("Affiché : %1 (%2 × %3 pixels) ; fichier %4")
                      .arg(shown)
                      .arg(image.width())
                      .arg(image.height())
                      .arg(QDir::toNativeSeparators(params_.path)));
  shown_ = true;
  row.tool_capacity_cl = VolumeText(text);
  row.state = QStringLiteral("mesuré");
  UpdateSessionRow(session_row_);
  StartProfile();
}

void TForm1::StartProfile() {
  const QString batch = BatchProgram(chemin_appli);
  if (!QFileInfo(batch).isExecutable()) {
    Memo2->setPlainText(ProfileText(std::nullopt));
    EndRun();
    return;
  }
  const QDir dir(run_dir_->path());
  const QString manifest = dir.filePath(QLatin1String(kManifestName));
  const QString written = WriteFileWhole(
      manifest, OneRowManifest(QFileInfo(params_.path).absoluteFilePath(), params_.category,
                               params_.dpi, ScaleText(params_.scale)));
  if (!written.isEmpty()) {
    Memo2->setPlainText(ProfileText(std::nullopt));
    EndRun();
    return;
  }
  Memo2->setPlainText(QStringLiteral("Mesure du profil en cours…"));
  busy_text_ = QStringLiteral("Mesure du profil en cours : %1 s");
  ShowElapsed();
  process_ = LanceAppliAttenteFin(
      batch,
      {manifest, QStringLiteral("--out"), dir.filePath(QLatin1String(kProfileFolder)),
       QStringLiteral("-q")},
      run_dir_->path(), this, [this](const ToolRun& run) { ProfileEnded(run); });
  UpdateTitle();
}

void TForm1::ProfileEnded(const ToolRun& run) {
  process_ = nullptr;
  if (cancelling_) {
    Memo2->setPlainText(QStringLiteral("Mesure du profil annulée."));
    EndRun();
    return;
  }
  const QDir folder(QDir(run_dir_->path()).filePath(QLatin1String(kProfileFolder)));
  std::optional<ProfileMeasure> measure;
  QFile json(folder.filePath(QStringLiteral("results.json")));
  if (run.started && !run.crashed && json.open(QIODevice::ReadOnly)) {
    measure = ReadProfile(json.readAll());
  }
  Memo2->setPlainText(ProfileText(measure));
  if (measure) {
    SessionRow& row = session_[session_row_];
    if (measure->capacity_cl) {
      row.profile_capacity_cl = QLocale::c().toString(*measure->capacity_cl, 'g', 6);
    }
    row.confidence =
        measure->confidence.isEmpty() ? QString() : ConfidenceWords(measure->confidence);
    UpdateSessionRow(session_row_);
    if (!measure->overlay_image.isEmpty()) {
      const QString overlay = QDir::cleanPath(folder.filePath(measure->overlay_image));
      // Only an image inside the run's folder.
      if (overlay.startsWith(folder.absolutePath() + QLatin1Char('/')) &&
          QFileInfo(overlay).isFile()) {
        overlay_path_ = overlay;
        RadioButton2->setEnabled(true);
      }
    }
  }
  EndRun();
}

void TForm1::EndRun() {
  SetBusy(false);
  UpdateTitle();
  UpdateSessionRow(session_row_);
  emit RunEnded();
}

void TForm1::UpdateTitle() {
  QString title = QString::fromLatin1(kTitle);
  if (shown_) {
    title += QStringLiteral(" - ") + Describe(params_);
    if (Running()) title += QStringLiteral(" - mesure du profil en cours");
  } else if (Running()) {
    title += QStringLiteral(" - mesure en cours : ") + Describe(params_);
  }
  setWindowTitle(title);
}

void TForm1::SetBusy(bool busy) {
  Button1->setEnabled(!busy);
  Button2->setEnabled(busy);
  ProgressBar1->setVisible(busy);
  if (busy) {
    elapsed_.start();
    busy_timer_.start();
    ShowElapsed();
  } else {
    busy_timer_.stop();
    Label4->clear();
  }
}

void TForm1::ShowElapsed() { Label4->setText(busy_text_.arg(elapsed_.elapsed() / 1000)); }

void TForm1::Button2Click() {
  if (process_ == nullptr) return;
  cancelling_ = true;
  Label4->setText(QStringLiteral("Annulation…"));
  process_->kill();
}

void TForm1::ClearDisplay() {
  shown_ = false;
  ze_jpeg.clear();
  ze_bitmap = QImage();
  draw_bitmap = QImage();
  water_bytes_.clear();
  water_ = QImage();
  overlay_path_.clear();
  RadioButton1->setChecked(true);
  RadioButton2->setEnabled(false);
  Memo1->clear();
  Memo2->clear();
  PaintBox1->resize(kEmptyBox);
  PaintBox1->update();
}

void TForm1::Fail(const QString& message) {
  ClearDisplay();
  // The window is idle again before the message is shown.
  if (process_ == nullptr) SetBusy(false);
  UpdateTitle();
  Label3->setText(
      QStringLiteral("Échec de la mesure : %1 ; rien n'est affiché.").arg(Describe(params_)));
  if (session_row_ >= 0) {
    session_[session_row_].state = QStringLiteral("échec : ") + message;
    UpdateSessionRow(session_row_);
  }
  prompts_.warn(this, message);
}

QString TForm1::ReadImage(const QString& path, QByteArray* bytes, QImage* image) {
  QFile file(path);
  if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
    return OpenFailure(
        path, QFileInfo::exists(path) ? file.errorString() : QStringLiteral("Fichier absent."));
  }
  QByteArray read = file.readAll();
  QBuffer buffer(&read);
  QImageReader reader(&buffer);
  const QSize size = reader.size();
  const qint64 pixels = static_cast<qint64>(size.width()) * size.height();
  if (size.isValid() && pixels > MaxPixels()) {
    return DecodeFailure(path, QStringLiteral("L'image a %1 × %2 pixels, plus que %3.")
                                   .arg(size.width())
                                   .arg(size.height())
                                   .arg(MaxPixels()));
  }
  // The reader's own limit would refuse a plate-sized scan; the image is
  // bounded by the pixel count above.
  const int limit = QImageReader::allocationLimit();
  const qint64 needed = pixels * 4 / (1024 * 1024) + 1;
  if (needed > limit) QImageReader::setAllocationLimit(static_cast<int>(needed));
  QImage decoded = reader.read();
  QImageReader::setAllocationLimit(limit);
  if (decoded.isNull()) return DecodeFailure(path, reader.errorString());
  *bytes = std::move(read);
  *image = std::move(decoded);
  return QString();
}

void TForm1::ShowImage(const QByteArray& bytes, const QImage& image) {
  ze_jpeg = bytes;
  ze_bitmap = image;
  Rescale();
  PaintBox1->repaint();
}

void TForm1::RadioButton1Click() {
  if (water_.isNull() || ze_bitmap.cacheKey() == water_.cacheKey()) return;
  ShowImage(water_bytes_, water_);
}

void TForm1::RadioButton2Click() {
  if (overlay_path_.isEmpty()) return;
  QByteArray bytes;
  QImage image;
  if (const QString failure = ReadImage(overlay_path_, &bytes, &image); !failure.isEmpty()) {
    RadioButton1->setChecked(true);
    prompts_.warn(this, failure);
    return;
  }
  ShowImage(bytes, image);
}

void TForm1::TrackBar1Change() {
  const int position = TrackBar1->value();
  zoom_ = position;
  Label1->setText(ZoomLabel(position));
  Label1->adjustSize();
  Rescale();
}

void TForm1::SetZoom(double percent) {
  zoom_ = std::clamp(percent, kZoomMin, kZoomMax);
  {
    const QSignalBlocker blocker(TrackBar1);
    TrackBar1->setValue(static_cast<int>(std::min(100.0, std::round(zoom_))));
  }
  Label1->setText(ZoomLabel(static_cast<int>(std::round(zoom_))));
  Label1->adjustSize();
  Rescale();
}

void TForm1::Rescale() {
  if (ze_bitmap.isNull()) {
    draw_bitmap = QImage();
  } else if (zoom_ <= 100) {
    const QSize size = ZoomSize(ze_bitmap.size(), zoom_);
    draw_bitmap = size.isEmpty()
                      ? QImage()
                      : ze_bitmap.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  } else {
    // Enlarged images are painted from ze_bitmap, only where they show.
    draw_bitmap = QImage();
    PaintBox1->resize(ZoomSize(ze_bitmap.size(), zoom_));
    PaintBox1->update();
    return;
  }
  PaintBox1->resize(PaintBoxSize(PaintBox1->size(), draw_bitmap.size()));
  PaintBox1->update();
}

void TForm1::Button3Click() {
  if (ze_bitmap.isNull()) return;
  SetZoom(FitZoom(ze_bitmap.size(), ScrollBox1->viewport()->size()));
}

void TForm1::Button4Click() {
  const auto [path, french] = prompts_.choose_table_file(this);
  if (path.isEmpty()) return;
  const QString failure = WriteFileWhole(
      path, SessionCsv(session_, french ? CsvForm::kFrenchSpreadsheet : CsvForm::kPlain));
  if (!failure.isEmpty()) {
    prompts_.warn(
        this, QStringLiteral("Impossible d'enregistrer le fichier \"%1\". %2").arg(path, failure));
  }
}

void TForm1::UpdateSessionRow(qsizetype row) {
  if (row < 0 || row >= session_.size()) return;
  if (StringGrid1->rowCount() <= row) StringGrid1->setRowCount(static_cast<int>(row) + 1);
  const QStringList fields = SessionFields(session_[row], true);
  for (qsizetype column = 0; column < fields.size(); ++column) {
    QString field = fields[column];
    if (column == 0) field = QFileInfo(field).fileName();
    auto* item = new QTableWidgetItem(field);
    if (column == 0) item->setToolTip(fields[column]);
    StringGrid1->setItem(static_cast<int>(row), static_cast<int>(column), item);
  }
  StringGrid1->resizeColumnsToContents();
  StringGrid1->scrollToBottom();
}

QString TForm1::RunFolder() const { return run_dir_ ? run_dir_->path() : QString(); }

void TForm1::PaintBox1Paint() { Paint(PaintBox1->rect()); }

void TForm1::Paint(const QRect& area) {
  if (zoom_ > 100 && !ze_bitmap.isNull()) {
    QPainter painter(PaintBox1);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const double factor = zoom_ / 100.0;
    const QRectF source(area.x() / factor, area.y() / factor, area.width() / factor,
                        area.height() / factor);
    painter.drawImage(QRectF(area), ze_bitmap, source);
    return;
  }
  if (!Paints(draw_bitmap.size())) return;
  QPainter painter(PaintBox1);
  painter.drawImage(0, 0, draw_bitmap);
}

void TForm1::ScrollBox1MouseWheelDown() {
  QScrollBar* bar = ScrollBox1->verticalScrollBar();
  bar->setValue(WheelStep(bar->value(), bar->singleStep(), bar->minimum(), bar->maximum()));
}

void TForm1::ScrollBox1MouseWheelUp() {
  QScrollBar* bar = ScrollBox1->verticalScrollBar();
  bar->setValue(WheelStep(bar->value(), -bar->singleStep(), bar->minimum(), bar->maximum()));
}

void TForm1::keyPressEvent(QKeyEvent* event) {
  // Escape reaches the window here when no shortcut took it.
  if (event->key() == Qt::Key_Escape && Running()) {
    Button2Click();
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == PaintBox1 && event->type() == QEvent::Paint) {
    Paint(static_cast<QPaintEvent*>(event)->rect());
    return true;
  }
  if (watched == ScrollBox1->viewport() && event->type() == QEvent::Wheel) {
    const auto* wheel = static_cast<QWheelEvent*>(event);
    if (wheel->modifiers() & Qt::ControlModifier) {
      zoom_rest_ += wheel->angleDelta().y();
      double zoom = zoom_;
      for (; zoom_rest_ >= kWheelNotch; zoom_rest_ -= kWheelNotch) zoom *= kZoomStep;
      for (; zoom_rest_ <= -kWheelNotch; zoom_rest_ += kWheelNotch) zoom /= kZoomStep;
      if (zoom != zoom_ && !ze_bitmap.isNull()) SetZoom(zoom);
      return true;
    }
    wheel_rest_ += wheel->angleDelta().y();
    for (; wheel_rest_ <= -kWheelNotch; wheel_rest_ += kWheelNotch) {
      ScrollBox1MouseWheelDown();
    }
    for (; wheel_rest_ >= kWheelNotch; wheel_rest_ -= kWheelNotch) {
      ScrollBox1MouseWheelUp();
    }
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace orvello
