#include "ui/profiler_form.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/file_dialogs.h"

TFrameLoadGraph::TFrameLoadGraph(QWidget* parent) : QWidget(parent) {
    setMinimumSize(TProfiler::framesKept + 2, 100);
}

void TFrameLoadGraph::SetLoads(std::vector<double> newLoads) {
    loads = std::move(newLoads);
    update();
}

double TFrameLoadGraph::Peak() const { return loads.empty() ? 0 : *std::max_element(loads.begin(), loads.end()); }

void TFrameLoadGraph::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = rect().adjusted(0, 0, -1, -1);
    painter.fillRect(area, Qt::black);
    const auto heightOf = [&](double percent) { return static_cast<int>(area.height() * std::min(percent, 100.0) / 100.0); };
    // Bars one pixel wide, the newest at the right; the oldest scroll out on the left.
    const int left = area.right() - static_cast<int>(loads.size());
    painter.setPen(QColor(0, 200, 0));
    for (std::size_t frame = 0; frame < loads.size(); ++frame) {
        const int x = left + static_cast<int>(frame);
        painter.drawLine(x, area.bottom(), x, area.bottom() - heightOf(loads[frame]));
    }
    const double peak = Peak();
    const int peakY = area.bottom() - heightOf(peak);
    painter.setPen(QColor(255, 80, 80));
    painter.drawLine(area.left(), peakY, area.right(), peakY);
    painter.drawText(area.adjusted(4, 2, -4, -2), Qt::AlignTop | Qt::AlignLeft,
                     QString("Peak %1 %").arg(peak, 0, 'f', 1));
    painter.setPen(Qt::gray);
    painter.drawRect(area);
}

TProfilerForm::TProfilerForm(TPCMSX& machine, QWidget* owner) : QWidget(owner, Qt::Window), machine(machine) {
    setWindowTitle("Profiler");
    gridProfile = new QTableWidget(0, columnCount, this);
    gridProfile->setHorizontalHeaderLabels({"Symbol", "Address", "Slot", "Cycles", "Instructions", "Share %"});
    gridProfile->verticalHeader()->hide();
    gridProfile->setEditTriggers(QAbstractItemView::NoEditTriggers);
    gridProfile->horizontalHeader()->setSectionResizeMode(columnSymbol, QHeaderView::Stretch);
    gridProfile->setMinimumSize(520, 260);

    graphLoad = new TFrameLoadGraph(this);
    lblStatus = new QLabel(this);
    btnStartStop = new QPushButton("Start", this);
    connect(btnStartStop, &QPushButton::clicked, this, &TProfilerForm::btnStartStopClick);
    btnReset = new QPushButton("Reset", this);
    connect(btnReset, &QPushButton::clicked, this, &TProfilerForm::btnResetClick);
    btnSave = new QPushButton("Save as CSV...", this);
    connect(btnSave, &QPushButton::clicked, this, &TProfilerForm::btnSaveClick);
    refreshTimer = new QTimer(this);
    refreshTimer->setInterval(1000);
    connect(refreshTimer, &QTimer::timeout, this, &TProfilerForm::ShowProfile);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnStartStop);
    buttons->addWidget(btnReset);
    buttons->addWidget(btnSave);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(gridProfile, 1);
    layout->addWidget(new QLabel("Frame load, last 300 frames (interrupt to first HALT):", this));
    layout->addWidget(graphLoad);
    layout->addWidget(lblStatus);
    ShowProfile();
}

void TProfilerForm::ShowProfile() {
    const TProfiler& profiler = Profiler();
    btnStartStop->setText(profiler.IsRunning() ? "Stop" : "Start");
    const std::vector<TProfileRow> rows = profiler.Rows(machine.GetDebugger().symbols);
    gridProfile->setRowCount(static_cast<int>(rows.size()));
    for (int index = 0; index < static_cast<int>(rows.size()); ++index) {
        const TProfileRow& row = rows[index];
        const QString cells[columnCount] = {
            QString::fromStdString(row.symbol),
            QString("%1").arg(row.address, 4, 16, QChar('0')).toUpper(),
            QString("%1-%2").arg(row.primary).arg(row.secondary),
            QString::number(row.cycles),
            QString::number(row.instructions),
            QString::number(row.share, 'f', 2)};
        for (int column = 0; column < columnCount; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            if (column >= columnCycles) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            gridProfile->setItem(index, column, item);
        }
    }
    graphLoad->SetLoads(profiler.RecentFrameLoads());
    const TFrameLoadSummary load = profiler.FrameLoad();
    lblStatus->setText(load.frames == 0 ? QString("No frame measured")
                                        : QString("Frame load over %1 frames: minimum %2 %, mean %3 %, maximum %4 %")
                                              .arg(load.frames)
                                              .arg(load.minimum, 0, 'f', 1)
                                              .arg(load.mean, 0, 'f', 1)
                                              .arg(load.maximum, 0, 'f', 1));
}

void TProfilerForm::MachineRunning() { refreshTimer->start(); }

void TProfilerForm::MachineStopped() {
    refreshTimer->stop();
    ShowProfile();
}

void TProfilerForm::btnStartStopClick() {
    TProfiler& profiler = Profiler();
    if (profiler.IsRunning()) {
        profiler.Stop();
    } else {
        profiler.Start();
    }
    ShowProfile();
}

void TProfilerForm::btnResetClick() {
    Profiler().Reset();
    ShowProfile();
}

bool TProfilerForm::btnSaveClick() {
    const QString file = ChooseSaveFile(this, "CSV files (*.csv)", QString(), "profile.csv");
    return !file.isEmpty() && SaveTo(file);
}

bool TProfilerForm::SaveTo(const QString& file) {
    const bool saved = WriteProfileCSV(Profiler().Rows(machine.GetDebugger().symbols), file.toStdString());
    lblStatus->setText(saved ? "Saved " + file : "Cannot write " + file);
    return saved;
}
