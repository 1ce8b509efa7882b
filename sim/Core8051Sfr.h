#pragma once
// The special function registers of the 8051/8052 and the bits the core acts on, as the Intel MCS-51
// data book names them. Shared by the core's instruction and peripheral files.
#include <cstdint>

namespace sim::sfr {

enum Address : int {
    P0 = 0x80, SP = 0x81, DPL = 0x82, DPH = 0x83, PCON = 0x87,
    TCON = 0x88, TMOD = 0x89, TL0 = 0x8A, TL1 = 0x8B, TH0 = 0x8C, TH1 = 0x8D,
    P1 = 0x90, SCON = 0x98, SBUF = 0x99, P2 = 0xA0, IE = 0xA8, P3 = 0xB0, IP = 0xB8,
    T2CON = 0xC8, RCAP2L = 0xCA, RCAP2H = 0xCB, TL2 = 0xCC, TH2 = 0xCD,
    PSW = 0xD0, ACC = 0xE0, B = 0xF0,
};

// PSW
constexpr std::uint8_t CY = 0x80, AC = 0x40, OV = 0x04;
// TCON
constexpr std::uint8_t TF1 = 0x80, TR1 = 0x40, TF0 = 0x20, TR0 = 0x10, IE1 = 0x08, IT1 = 0x04, IE0 = 0x02,
                       IT0 = 0x01;
// SCON
constexpr std::uint8_t SM2 = 0x20, REN = 0x10, TB8 = 0x08, RB8 = 0x04, TI = 0x02, RI = 0x01;
// T2CON
constexpr std::uint8_t TF2 = 0x80, EXF2 = 0x40, RCLK = 0x20, TCLK = 0x10, EXEN2 = 0x08, TR2 = 0x04,
                       CT2 = 0x02, CPRL2 = 0x01;
// PCON
constexpr std::uint8_t SMOD = 0x80, PD = 0x02, IDL = 0x01;
// IE
constexpr std::uint8_t EA = 0x80;

} // namespace sim::sfr
