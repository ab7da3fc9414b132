#pragma once
// libjpeg reports a fatal error through error_exit, which must not return: both the reader and
// the writer keep the formatted message and jump back to the call that started the work.
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace lumetta::jpeg {

struct JpegErrors {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] inline void OnErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<JpegErrors*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

} // namespace lumetta::jpeg
