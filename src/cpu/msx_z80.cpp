#include "cpu/msx_z80.h"

#include "peripherals/keyboard.h"
#include "peripherals/ppi8255.h"
#include "sound/psg.h"
#include "video/v9918.h"

void TMSXZ80::MachineEvent() {
    TV9918* vdp = ioHandler->GetVDP();
    if (!vdp || cycles < vdp->NextFrameFlagCycle()) return ScheduleFrameFlag();
    if (TPPI8255* ppi = ioHandler->GetPPI(); ppi && ppi->GetKeyboard()) ppi->GetKeyboard()->Scan();
    if (TPSG* psg = ioHandler->GetPSG()) psg->FrameStep();
    vdp->FrameFlagReached();
    ++framesEnded;
    ScheduleFrameFlag();
}

void TMSXZ80::ScheduleFrameFlag() {
    const TV9918* vdp = ioHandler ? ioHandler->GetVDP() : nullptr;
    ScheduleEvent(vdp ? vdp->NextFrameFlagCycle() : never);
}
