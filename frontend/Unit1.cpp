#include "Unit1.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QScrollBar>
#include <QWheelEvent>
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

ToolRun LanceAppliAttenteFin(const QString& program, const QStringList& arguments,
                             const QString& working_directory) {
  QProcess process;
  process.setProgram(program);
  process.setArguments(arguments);
  process.setWorkingDirectory(working_directory);
  process.setStandardInputFile(QProcess::nullDevice());
  process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process.start();

  ToolRun run;
  if (!process.waitForStarted(-1)) return run;
  run.started = true;
  process.waitForFinished(-1);
  run.crashed = process.exitStatus() == QProcess::CrashExit;
  run.exit_status = process.exitCode();
  run.output = process.readAllStandardOutput();
  return run;
}

TForm1::TForm1(Prompts prompts, QWidget* parent) : QWidget(parent), prompts_(std::move(prompts)) {
  setupUi(this);
  Form2 = new TForm2(prompts_, this);
  connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
  connect(TrackBar1, &QSlider::valueChanged, this, &TForm1::TrackBar1Change);
  PaintBox1->installEventFilter(this);
  ScrollBox1->viewport()->installEventFilter(this);
  FormCreate();
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
  QFile::remove(chemin_appli + QLatin1String(orvello::kResultsFileName));
  chemin_image.clear();
  Form2->exec();
  if (cancel) return;

  const QString program = ToolProgram(chemin_appli, categorie);
  const QStringList arguments = {chemin_image, QString::number(resolution), ScaleText(echelle)};
  const ToolRun run = LanceAppliAttenteFin(program, arguments, chemin_appli);
  if (const QString failure = RunFailure(program, run); !failure.isEmpty()) {
    prompts_.warn(this, failure);
    return;
  }
  ShowOutputs();
}

void TForm1::ShowOutputs() {
  const QString water_path = chemin_appli + QLatin1String(orvello::kWaterImageName);
  QFile water(water_path);
  if (!water.open(QIODevice::ReadOnly)) {
    prompts_.warn(this, OpenFailure(water_path, water.errorString()));
    return;
  }
  QByteArray bytes = water.readAll();
  QBuffer buffer(&bytes);
  QImageReader reader(&buffer, "jpeg");
  QImage decoded = reader.read();
  if (decoded.isNull()) {
    prompts_.warn(this, DecodeFailure(water_path, reader.errorString()));
    return;
  }
  ze_jpeg = std::move(bytes);
  ze_bitmap = std::move(decoded);
  TrackBar1Change();
  PaintBox1->repaint();

  const QString results_path = chemin_appli + QLatin1String(orvello::kResultsFileName);
  QFile results(results_path);
  if (!results.open(QIODevice::ReadOnly | QIODevice::Text)) {
    prompts_.warn(this, OpenFailure(results_path, results.errorString()));
    return;
  }
  QString text = QString::fromUtf8(results.readAll());
  if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
  Memo1->setPlainText(text);
}

void TForm1::TrackBar1Change() {
  const int position = TrackBar1->value();
  Label1->setText(ZoomLabel(position));
  Label1->adjustSize();
  const QSize size = ZoomSize(ze_bitmap.size(), position);
  draw_bitmap = ze_bitmap.isNull() || size.isEmpty()
                    ? QImage()
                    : ze_bitmap.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
  PaintBox1->resize(PaintBoxSize(PaintBox1->size(), draw_bitmap.size()));
  PaintBox1->update();
}

void TForm1::PaintBox1Paint() {
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

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == PaintBox1 && event->type() == QEvent::Paint) {
    PaintBox1Paint();
    return true;
  }
  if (watched == ScrollBox1->viewport() && event->type() == QEvent::Wheel) {
    wheel_rest_ += static_cast<QWheelEvent*>(event)->angleDelta().y();
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
