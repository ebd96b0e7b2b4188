#include "ui/pc_cassette_form.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <algorithm>

namespace {

// There is no standard record symbol: a red dot.
QIcon RecordIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(200, 0, 0));
    painter.drawEllipse(QRectF(2, 2, 12, 12));
    return QIcon(pixmap);
}

QString TwoDigits(std::int64_t value) { return QString("%1").arg(value, 2, 10, QChar('0')); }

}  // namespace

TPCCassetteForm::TPCCassetteForm(TPCCassette& cassette, QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint), cassette(cassette) {
    setWindowTitle("Cassette controls");
    setFixedSize(313, 117);

    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    frame->setGeometry(0, 0, 313, 117);
    // Each value starts just right of its caption, so no text is cut in any font.
    const auto line = [frame](const char* caption, int x, int y, int valueX, const char* widest) {
        auto* name = new QLabel(caption, frame);
        name->move(x, y);
        auto* value = new QLabel(widest, frame);
        value->move(std::max(valueX, x + name->sizeHint().width() + 6), y);
        value->adjustSize();
        return value;
    };
    lblPosition = line("Current Position:", 8, 32, 96, "00:00:00");
    lblPosition->setText("0");
    lblMotor = line("Motor:", 200, 16, 272, "Off");
    lblRecording = line("Recording:", 200, 32, 272, "Off");
    lblMotor->move(lblRecording->pos().x(), 16);
    lblTape = new QLabel(frame);
    lblTape->setGeometry(8, 8, 190, 20);

    barPosition = new QSlider(Qt::Horizontal, frame);
    barPosition->setGeometry(8, 56, 297, 24);
    barPosition->setEnabled(false);
    barPosition->setTickPosition(QSlider::TicksBelow);
    barPosition->setTickInterval(100);

    const auto button = [frame](int x, const QIcon& icon, const char* tip) {
        auto* item = new QPushButton(frame);
        item->setGeometry(x, 88, 49, 25);
        item->setIcon(icon);
        item->setToolTip(tip);
        return item;
    };
    QStyle* look = style();
    btnRecord = button(4, RecordIcon(), "Record");
    btnRewind = button(57, look->standardIcon(QStyle::SP_MediaSkipBackward), "Rewind");
    btnBackward = button(109, look->standardIcon(QStyle::SP_MediaSeekBackward), "One minute back");
    btnStop = button(159, look->standardIcon(QStyle::SP_MediaStop), "Stop");
    btnlay = button(210, look->standardIcon(QStyle::SP_MediaPlay), "Play");
    btnForward = button(260, look->standardIcon(QStyle::SP_MediaSeekForward), "One minute forward");
    connect(btnRecord, &QPushButton::clicked, this, &TPCCassetteForm::btnRecordClick);
    connect(btnRewind, &QPushButton::clicked, this, &TPCCassetteForm::btnRewindClick);
    connect(btnBackward, &QPushButton::clicked, this, &TPCCassetteForm::btnBackwardClick);
    connect(btnStop, &QPushButton::clicked, this, &TPCCassetteForm::btnStopClick);
    connect(btnlay, &QPushButton::clicked, this, &TPCCassetteForm::btnlayClick);
    connect(btnForward, &QPushButton::clicked, this, &TPCCassetteForm::btnForwardClick);

    casTimer = new QTimer(this);
    casTimer->setInterval(200);
    connect(casTimer, &QTimer::timeout, this, &TPCCassetteForm::casTimerTimer);
}

int TPCCassetteForm::Minutes() const {
    // Never 0: positions are divided by it.
    return std::max(1, static_cast<int>(cassette.GetMinutes()));
}

std::int32_t TPCCassetteForm::MinuteOfTape() const { return cassette.GetTapeBits() / Minutes(); }

void TPCCassetteForm::UpdateWindowSetup() {
    static const char* const accuracies[3] = {" min. - Normal", " min. - High", " min. - Very High"};
    const int minutes = Minutes();
    if (cassette.GetAccuracy() < 3) {
        setWindowTitle(QString("Cassette Controls - %1%2").arg(minutes).arg(accuracies[cassette.GetAccuracy()]));
    }
    barPosition->setRange(0, minutes * 100);
    UpdateStatus();
}

QString TPCCassetteForm::PositionText(std::int32_t position, std::int32_t instructionsPerSample) {
    // Samples per emulated frame, and 60 frames to the second.
    const std::int64_t f = 10000 / instructionsPerSample;
    const std::int64_t minute = f * 3600;
    const std::int64_t rest = position % minute;
    return TwoDigits(position / minute) + ":" + TwoDigits(rest / (f * 60)) + ":" + TwoDigits(rest % (f * 60) / f);
}

void TPCCassetteForm::UpdateStatus() {
    // Without a tape the transport has nothing to act on.
    const std::filesystem::path& tape = cassette.GetFileName();
    lblTape->setText(tape.empty() ? "No tape (File, Preferences)" : QString::fromStdString(tape.filename().string()));
    lblTape->setToolTip(QString::fromStdString(tape.string()));
    for (QPushButton* button : {btnRecord, btnRewind, btnBackward, btnStop, btnlay, btnForward}) {
        button->setEnabled(!tape.empty());
    }
    lblRecording->setText(cassette.IsRecording() ? "On" : "Off");
    lblMotor->setText(cassette.IsMotorOn() ? "On" : "Off");
    lblPosition->setText(PositionText(cassette.GetPosition(), cassette.GetInstructionsPerSample()));
    const std::int32_t tapeBits = cassette.GetTapeBits();
    if (tapeBits > 0) {
        barPosition->setValue(static_cast<int>(Minutes() * 100.0 * cassette.GetPosition() / tapeBits));
    }
}

// Every button shows its effect at once rather than at the next tick.
void TPCCassetteForm::btnRecordClick() {
    if (cassette.IsRecording()) cassette.RecordOff();
    else cassette.RecordOn();
    UpdateStatus();
}

void TPCCassetteForm::btnRewindClick() {
    cassette.Rewind();
    UpdateStatus();
}

void TPCCassetteForm::btnBackwardClick() {
    cassette.Seek(-MinuteOfTape());
    UpdateStatus();
}

void TPCCassetteForm::btnStopClick() {
    cassette.MotorOff();
    UpdateStatus();
}

void TPCCassetteForm::btnlayClick() {
    cassette.MotorOn();
    UpdateStatus();
}

void TPCCassetteForm::btnForwardClick() {
    cassette.Seek(MinuteOfTape());
    UpdateStatus();
}

void TPCCassetteForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    casTimer->start();
    UpdateStatus();
}

void TPCCassetteForm::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    casTimer->stop();
}
