#include "machine/msx.h"

#include "machine/host_services.h"

#include "memory/megarom.h"
#include "memory/rom_file_check.h"
#include "memory/memory_mapper.h"

std::optional<TVideoFrequency> ParseVideoFrequency(const std::string& text) {
    if (text == "50") return TVideoFrequency::hertz50;
    if (text == "60") return TVideoFrequency::hertz60;
    return std::nullopt;
}

TMSX::~TMSX() = default;

void TMSX::Build(TConfiguration& newConfiguration) {
    if (configuration) Teardown();
    configuration = &newConfiguration;
    frameCount = 0;

    processor = CreateZ80();
    ioHandler = std::make_unique<TIOHandler>();
    ppi = std::make_unique<TPPI8255>();
    rtc = clock ? std::make_unique<TRTClock>(*clock) : std::make_unique<TRTClock>();
    keyboard = CreateKeyboard();
    selector = CreateMemorySelector();
    BuildMemory();

    vdp = CreateVDP();
    psg = CreatePSG();
    joystick1 = CreateJoystick();
    joystick2 = CreateJoystick();
    printer = CreatePrinter();
    cassette = CreateCassette();

    processor->SetIOHandler(ioHandler.get());
    processor->SetMemorySelector(selector.get());
    ioHandler->SetVDP(vdp.get());
    ioHandler->SetPPI(ppi.get());
    ioHandler->SetRTC(rtc.get());
    ioHandler->SetPSG(psg.get());
    ioHandler->SetPrinter(printer.get());
    ppi->SetMemorySelector(selector.get());
    ppi->SetKeyboard(keyboard.get());
    ppi->SetCassette(cassette.get());
    psg->SetCassette(cassette.get());
    cassette->SetZ80(processor.get());
    selector->SetZ80(processor.get());
    vdp->SetFrequency(BuiltFrequency());
    vdp->SetZ80(processor.get());
    processor->ScheduleFrameFlag();
    RestartSound();
}

int TMSX::BuiltFrequency() const {
    switch (videoFrequency) {
    case TVideoFrequency::hertz50: return 50;
    case TVideoFrequency::hertz60: return 60;
    default: break;
    }
    // After a build every page shows slot 0, where the main ROM lies.
    constexpr std::uint16_t frequencyByte = 0x002B;
    return (selector->Peek(frequencyByte) & 0x80) != 0 ? 50 : 60;
}

void TMSX::BuildMemory() {
    for (int primary = 0; primary < 4; ++primary) {
        selector->SetExpanded(primary, configuration->expanded[primary] != 0);
    }
    for (int primary = 0; primary < 4; ++primary) {
        for (int secondary = 0; secondary < 4; ++secondary) BuildSlot(primary, secondary);
    }
}

void TMSX::BuildSlot(int primary, int secondary) {
    const auto& pageTypes = configuration->pageType[primary][secondary];
    for (int page = 0; page < 4; ++page) {
        switch (pageTypes[page]) {
        case TConfiguration::pageEmpty:
            selector->SetBank(primary, secondary, page, std::make_unique<TMemoryBank>());
            break;
        case TConfiguration::pageROM: {
            // A ROM that cannot be used leaves its page empty, said once; the
            // machine is built with what there is.
            const std::string& name = configuration->romFile[primary][secondary][page];
            const std::filesystem::path file = romFolder / name;
            std::string problem = name.empty() ? "No system ROM is named for page " + std::to_string(page) +
                                                     " of slot " + std::to_string(primary) + "-" +
                                                     std::to_string(secondary) + "."
                                               : TROMFileCheck::SystemPageProblem(file);
            auto bank = std::make_unique<TROMBank>();
            if (problem.empty() && bank->Load(file) != 0) problem = "The system ROM " + file.string() + " cannot be read.";
            if (!problem.empty()) {
                problems.push_back(problem);
                selector->SetBank(primary, secondary, page, std::make_unique<TMemoryBank>());
                break;
            }
            bank->SetName(name);
            selector->SetBank(primary, secondary, page, std::move(bank));
            break;
        }
        case TConfiguration::pageRAM:
            selector->SetBank(primary, secondary, page, std::make_unique<TRAMBank>());
            break;
        case TConfiguration::pageMemoryMapper:
            if (page == 0) {
                auto mapper = std::make_unique<TMemoryMapper>();
                mapper->SetSize(static_cast<std::int8_t>(configuration->mapperSize[primary][secondary]));
                ioHandler->AddMemoryMapper(mapper.get());
                selector->SetBank(primary, secondary, 0, std::move(mapper));
            }
            break;
        case TConfiguration::pageCartridgeSlot:
            if (page == 0) {
                auto cartridge = std::make_unique<TROMCartridge>();
                cartridge->SetName("Cartridge");
                selector->SetBank(primary, secondary, 0, std::move(cartridge));
            }
            break;
        default:
            break;
        }
        // A mapper or cartridge slot answers for the whole slot: a hand-made
        // configuration that names other types in its later pages must not
        // replace it (the I/O handler would still list a deleted mapper).
        if (page == 0 && (pageTypes[0] == TConfiguration::pageMemoryMapper ||
                          pageTypes[0] == TConfiguration::pageCartridgeSlot)) {
            return;
        }
    }
}

void TMSX::ExchangeDevices(TMSX& other) {
    std::swap(processor, other.processor);
    std::swap(selector, other.selector);
    std::swap(ioHandler, other.ioHandler);
    std::swap(keyboard, other.keyboard);
    std::swap(ppi, other.ppi);
    std::swap(rtc, other.rtc);
    std::swap(vdp, other.vdp);
    std::swap(psg, other.psg);
    std::swap(cassette, other.cassette);
    std::swap(joystick1, other.joystick1);
    std::swap(joystick2, other.joystick2);
    std::swap(printer, other.printer);
    std::swap(frameCount, other.frameCount);
}

void TMSX::SetSoundOutput(TSoundOutput* output) {
    soundOutput = output;
    soundMix = output ? std::make_unique<TSoundMix>(output->GetRate()) : nullptr;
    RestartSound();
}

void TMSX::FlushSound() {
    if (!soundMix || !processor) return;
    const std::uint64_t cycle = processor->cycles;
    psg->RenderTo(cycle);
    ForEachSCC([cycle](TSCC& scc) { scc.RenderTo(cycle); });
    const std::span<const std::int16_t> samples = soundMix->TakeOutput(cycle);
    if (!samples.empty()) soundOutput->Play(samples);
}

void TMSX::RestartSound() {
    if (!processor) return;
    if (soundMix) soundMix->StartAt(processor->cycles);
    psg->SetZ80(processor.get());
    psg->SetSoundMix(soundMix.get());
    ForEachSCC([this](TSCC& scc) {
        scc.SetZ80(processor.get());
        scc.SetSoundMix(soundMix.get());
    });
}

void TMSX::Teardown() {
    joystick1.reset();
    joystick2.reset();
    psg.reset();
    rtc.reset();
    keyboard.reset();
    cassette.reset();
    printer.reset();
    ppi.reset();
    vdp.reset();
    ioHandler.reset();
    selector.reset();
    processor.reset();
}

TROMCartridge* TMSX::GetCartridge(int primary, int secondary) const {
    if (!selector) return nullptr;
    TMemoryBank* bank = selector->GetBank(primary, secondary, 0);
    return bank ? bank->AsCartridge() : nullptr;
}

std::string TMSX::InsertCartridge(int primary, int secondary, const std::filesystem::path& fileName,
                                  TCartridgeKind kind) {
    TROMCartridge* current = GetCartridge(primary, secondary);
    if (!current) return {};
    if (fileName.empty()) {
        current->Eject();
        return {};
    }
    TROMAnalysis analysis;
    std::string problem = TROMFileCheck::AccessProblem(fileName);
    if (!problem.empty() || TCartridgeAnalysis::AnalyseROM(fileName, analysis, kind, &problem) != 0) {
        current->Eject();
        return "not inserted: " + problem;
    }
    std::unique_ptr<TROMCartridge> cartridge;
    switch (analysis.cartridgeKind) {
    case TROMCartridge::konamiKind: cartridge = std::make_unique<TKonamiMegaROM>(); break;
    case TROMCartridge::konamiSCCKind: cartridge = std::make_unique<TKonamiSCCMegaROM>(CreateSCC()); break;
    case TROMCartridge::ascii8KKind: cartridge = std::make_unique<TASCII8KMegaROM>(); break;
    case TROMCartridge::ascii16KKind: cartridge = std::make_unique<TASCII16KMegaROM>(); break;
    default:
        cartridge = std::make_unique<TROMCartridge>(analysis.cartridgeKind, analysis.blockSize);
        break;
    }
    TROMCartridge* inserted = cartridge.get();
    FlushSound();
    selector->SetBank(primary, secondary, 0, std::move(cartridge));
    inserted->SetBlockCount(analysis.blockCount);
    inserted->Load(fileName);
    RestartSound();
    return TCartridgeAnalysis::Describe(analysis);
}

void TMSX::Reset(int kind) {
    if (!processor) return;
    psg->ResetSound();
    ForEachSCC([](TSCC& scc) { scc.ResetSound(); });
    switch (kind) {
    case 0:
        processor->Reset();
        break;
    case 1:
        selector->ClearAll();
        processor->Reset();
        break;
    case 2:
        Build(*configuration);
        processor->Reset();
        if (!stopped) processor->Start();
        break;
    default:
        break;
    }
}

void TMSX::Stop() {
    stopped = true;
    PauseSound();
    if (processor) processor->Stop();
}

void TMSX::Run() {
    stopped = false;
    if (processor) processor->Start();
}

void TMSX::PauseSound() {
    if (soundPaused || !psg) return;
    FlushSound();
    soundPaused = true;
}

void TMSX::ResumeSound() {
    soundPaused = false;
}
