; A 32 KB test cartridge for the profiler, at 0000h-7FFFh: page 0 holds a frame
; interrupt routine and a routine at the address of a BIOS entry, page 1 the
; program. Cycle counts include the MSX's wait cycle per M1 fetch.
        org 0000h
        ds 0038h - $, 0FFh
        push af                 ; the frame interrupt: 51 cycles with its RET
        in a, (99h)             ; reading the status ends the request
        pop af
        ei
        ret
        ds 0044h - $, 0FFh
        ret                     ; where the BIOS has ENASCR: 11 cycles
        ds 4000h - $, 0FFh

        db "AB"
        dw start
        ds 12, 0

start:  di
        in a, (0A8h)
        ld d, a                 ; the slots as the BIOS left them
        and 0Ch                 ; page 1's slot, this cartridge's, for page 0 too
        rrca
        rrca
        ld e, a
        ld a, d
        and 0FCh
        or e
        ld e, a
slot_test:
        ld a, e
        out (0A8h), a
        call 0044h              ; this cartridge's RET
        ld a, d
        out (0A8h), a
        call 0044h              ; the BIOS's ENASCR
        di
loop_a: ld b, 100               ; 8 + 99 * 14 + 9 = 1403 cycles
        djnz $
loop_b: ld b, 50                ; 8 + 50 * 5 + 49 * 13 + 8 = 903 cycles
        dec b
        jr nz, $ - 1
loops_done:
        ld a, e
        out (0A8h), a
        im 1
        ei
frame_loop:
        halt                    ; from the interrupt: 14 + 51 + 8 + 2795 + 13 = 2881 cycles to here
        ld b, 200
        djnz $
        jr frame_loop
busy:   jr busy
        ds 8000h - $, 0FFh
