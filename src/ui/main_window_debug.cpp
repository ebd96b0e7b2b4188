// The main window's Debug menu handlers and the debug windows' part in a run.
#include "ui/main_window.h"

#include "ui/debugger_form.h"
#include "ui/memory_view_form.h"
#include "ui/profiler_form.h"
#include "ui/vram_view_form.h"
#include "ui/window_placement.h"

void TMainWindow::PlaceBeside(const QString& title, int step) {
    // Placed the first time only: once moved by the user a window stays where it is.
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->isWindow() || child->windowTitle() != title || child->property("placed").toBool()) continue;
        child->setProperty("placed", true);
        TWindowPlacement::PlaceDebugWindow(*child, *this, step);
    }
}

void TMainWindow::menuDebugZ80Click() {
    if (!currentMachine || !currentMachine->GetZ80()) return;
    currentMachine->GetPCZ80()->ShowDebugWindow();
    PlaceBeside("Z80 Info", 0);
    RefreshStepPumping();
}

void TMainWindow::menuDebugMemoryClick() {
    if (!currentMachine || !currentMachine->GetMemorySelector()) return;
    currentMachine->GetPCMemorySelector()->ShowDebugWindow();
    PlaceBeside("Memory Info", 1);
    RefreshStepPumping();
}

void TMainWindow::menuDebugVideoClick() {
    if (!currentMachine || !currentMachine->GetVDP()) return;
    currentMachine->GetPCV9918()->ShowDebugWindow();
    PlaceBeside("V9918 info", 2);
    RefreshStepPumping();
}

void TMainWindow::ShowDebugForm(QWidget& form, int step) {
    form.show();
    PlaceBeside(form.windowTitle(), step);
    form.raise();
}

void TMainWindow::menuDebuggerClick() {
    if (!currentMachine) return;
    if (!debuggerForm) debuggerForm = new TDebuggerForm(*currentMachine, [this] { menuPauseClick(); }, this);
    debuggerForm->MachineStopped();
    ShowDebugForm(*debuggerForm, 3);
}

void TMainWindow::menuMemoryViewClick() {
    if (!currentMachine) return;
    if (!memoryViewForm) memoryViewForm = new TMemoryViewForm(*currentMachine, this);
    memoryViewForm->ShowMemory();
    ShowDebugForm(*memoryViewForm, 4);
}

void TMainWindow::menuVRAMViewClick() {
    if (!currentMachine) return;
    if (!vramViewForm) vramViewForm = new TVRAMViewForm(*currentMachine, this);
    vramViewForm->ShowVRAM();
    ShowDebugForm(*vramViewForm, 5);
}

void TMainWindow::menuProfilerClick() {
    if (!currentMachine) return;
    if (!profilerForm) profilerForm = new TProfilerForm(*currentMachine, this);
    profilerForm->ShowProfile();
    ShowDebugForm(*profilerForm, 6);
}

void TMainWindow::DebugWindowsRunning() {
    if (debuggerForm) debuggerForm->MachineRunning();
    if (profilerForm) profilerForm->MachineRunning();
}

void TMainWindow::DebugWindowsStopped() {
    if (debuggerForm) debuggerForm->MachineStopped();
    if (memoryViewForm && memoryViewForm->isVisible()) memoryViewForm->ShowMemory();
    if (vramViewForm && vramViewForm->isVisible()) vramViewForm->ShowVRAM();
    if (profilerForm) profilerForm->MachineStopped();
}
