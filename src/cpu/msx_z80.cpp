#include "cpu/msx_z80.h"

#include "peripherals/keyboard.h"
#include "peripherals/ppi8255.h"
#include "sound/psg.h"
#include "video/v9918.h"

std::uint16_t TMSXZ80::AcknowledgeInterrupt() {
    if (TPPI8255* ppi = ioHandler->GetPPI(); ppi && ppi->GetKeyboard()) ppi->GetKeyboard()->Scan();
    if (TPSG* psg = ioHandler->GetPSG()) psg->FrameStep();
    if (TV9918* vdp = ioHandler->GetVDP()) {
        vdp->RenderFrame();
        vdp->SetFrameFlag();
        vdp->PresentFrame();
    }
    return 0x0038;
}
