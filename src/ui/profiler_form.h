#pragma once

#include <QWidget>
#include <vector>

#include "machine/pc_msx.h"

class QLabel;
class QPushButton;
class QTableWidget;
class QTimer;

// The last frames' load as bars, in percent of the frame, with the peak marked.
class TFrameLoadGraph : public QWidget {
public:
    explicit TFrameLoadGraph(QWidget* parent);
    void SetLoads(std::vector<double> newLoads);
    double Peak() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<double> loads;
};

// "Profiler": the debugger's profile as a table, the most cycles first, and a
// graph of the frame load; refreshed once a second while the machine runs.
// It only drives the core's profiler.
class TProfilerForm : public QWidget {
    Q_OBJECT

public:
    enum Column { columnSymbol, columnAddress, columnSlot, columnCycles, columnInstructions, columnShare, columnCount };

    TProfilerForm(TPCMSX& machine, QWidget* owner);

    // Fills the table and the graph from the profiler as it stands now.
    void ShowProfile();
    void MachineRunning();
    void MachineStopped();

    void btnStartStopClick();
    void btnResetClick();
    // Asks for a file; false when cancelled or when it cannot be written.
    bool btnSaveClick();
    bool SaveTo(const QString& file);

    QTableWidget* gridProfile;
    TFrameLoadGraph* graphLoad;
    QLabel* lblStatus;
    QPushButton* btnStartStop;
    QPushButton* btnReset;
    QPushButton* btnSave;
    QTimer* refreshTimer;

private:
    TProfiler& Profiler() const { return machine.GetDebugger().profiler; }

    TPCMSX& machine;
};
