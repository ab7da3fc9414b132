#pragma once
// Which vector units the hot loops may use, decided once at run time.
//
// Every routine with a vector form keeps a plain form that gives bit-identical results; the
// vector form is picked only when the processor (and the operating system, for the wider
// registers) supports it. Builds for other processors always take the plain forms.

namespace lumetta::cpu {

// AVX2 (256-bit integer vectors).
bool HaveAvx2();
// AVX-512 with byte permutes across a whole register (AVX512F, BW and VBMI).
bool HaveAvx512Vbmi();

// For tests: false makes every routine take its plain form, so that both forms can be checked
// against each other on one machine. On by default.
void AllowVectorForms(bool allow);

} // namespace lumetta::cpu
