#pragma once
// Which vector units the hot loops may use, decided once at run time.
//
// Every routine with a vector form keeps a plain form that gives bit-identical results; the
// vector form is picked only when the processor (and the operating system, for the wider
// registers) supports it. Builds for other processors always take the plain forms.

namespace lumetta::cpu {

// AVX2 (256-bit integer vectors).
bool HaveAvx2();
// AVX-512 for bytes, words and dwords on 512-bit registers (AVX512F and BW).
bool HaveAvx512();
// The same with byte permutes across a whole register (AVX512VBMI).
bool HaveAvx512Vbmi();
// The same with the multiply-and-add-into-dword forms of bytes and words (AVX512VNNI).
bool HaveAvx512Vnni();

// The widest vector forms the routines may take.
enum class VectorLevel { Plain, Avx2, Avx512 };

// For tests: caps the vector forms, so that every form can be checked against the others on one
// machine. The default is the widest there is.
void LimitVectorForms(VectorLevel level);

} // namespace lumetta::cpu
