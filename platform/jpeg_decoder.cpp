#include "platform/jpeg_decoder.h"

#include <QFile>

#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include <jpeglib.h>
// jerror.h after jpeglib.h: its macros use the types declared there.
#include <jerror.h>

namespace {

// libjpeg reports a fatal error by calling error_exit, which by default ends
// the process. Ours jumps back to the one setjmp in runDecoder instead. The
// jump crosses libjpeg's C frames and our C-like callbacks only; everything
// the decoder touches is a plain C structure inside JpegJob, owned by a
// caller further up, so no destructor is ever skipped and nothing that
// libjpeg changed lives in a register of the jumping frame.
struct JpegErrorManager {
    jpeg_error_mgr pub; // first: libjpeg only knows this part
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

struct JpegSourceManager {
    jpeg_source_mgr pub;
    const JOCTET *data;
    std::size_t size;
};

// Hands out the rows of the target picture once its size is known (and
// accepted); null when the memory is not there.
using PixelAllocator = unsigned char *(*)(void *target, JDIMENSION width, JDIMENSION height,
                                          std::size_t *stride);

struct JpegJob {
    jpeg_decompress_struct cinfo;
    JpegErrorManager error;
    JpegSourceManager source;
    long long maxPixels;
    void *target;
    PixelAllocator allocate;
};

// Warnings that mean pixels are missing or made up. libjpeg would carry on
// and paint the rest grey; a picture with holes is refused instead.
bool isDamageWarning(int code)
{
    switch (code) {
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_JPEG_EOF:
    case JWRN_MUST_RESYNC:
        return true;
    default:
        return false;
    }
}

extern "C" {

static void jpegErrorExit(j_common_ptr cinfo)
{
    auto *error = reinterpret_cast<JpegErrorManager *>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, error->message);
    std::longjmp(error->jump, 1);
}

// Level -1 is a warning, 0 and up are trace messages; nothing goes to stderr.
static void jpegEmitMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return;
    if (isDamageWarning(cinfo->err->msg_code))
        jpegErrorExit(cinfo);
    cinfo->err->num_warnings++;
}

static void jpegOutputMessage(j_common_ptr) {}

static void sourceInit(j_decompress_ptr) {}

// The whole file was handed over at the start: a request for more bytes
// means the file ends before the picture does.
static boolean sourceFill(j_decompress_ptr cinfo)
{
    ERREXIT(cinfo, JERR_INPUT_EOF);
    return TRUE;
}

static void sourceSkip(j_decompress_ptr cinfo, long count)
{
    if (count <= 0)
        return;
    jpeg_source_mgr *source = cinfo->src;
    if (static_cast<unsigned long>(count) > source->bytes_in_buffer)
        ERREXIT(cinfo, JERR_INPUT_EOF);
    source->next_input_byte += count;
    source->bytes_in_buffer -= static_cast<std::size_t>(count);
}

static void sourceTerm(j_decompress_ptr) {}

} // extern "C"

void failWith(JpegJob *job, const char *text)
{
    std::snprintf(job->error.message, sizeof job->error.message, "%s", text);
}

// Adobe writes CMYK inverted (0 = full ink) and says so with its APP14
// marker; without the marker the values are taken as plain ink amounts.
void storeRow(const JSAMPLE *in, unsigned char *out, JDIMENSION width, int components,
              bool invertedCmyk)
{
    switch (components) {
    case 1:
        for (JDIMENSION x = 0; x < width; ++x) {
            out[0] = out[1] = out[2] = in[x];
            out += 3;
        }
        break;
    case 3:
        std::memcpy(out, in, std::size_t(width) * 3);
        break;
    case 4:
        for (JDIMENSION x = 0; x < width; ++x, in += 4, out += 3) {
            const unsigned k = invertedCmyk ? in[3] : 255u - in[3];
            for (int c = 0; c < 3; ++c) {
                const unsigned v = invertedCmyk ? in[c] : 255u - in[c];
                out[c] = static_cast<unsigned char>((v * k + 127) / 255);
            }
        }
        break;
    }
}

// The one frame that holds a setjmp. Reads the header, checks the size,
// decodes row by row into the target; false with the reason in
// job->error.message.
[[gnu::noinline]] bool runDecoder(JpegJob *job)
{
    job->cinfo.err = jpeg_std_error(&job->error.pub);
    job->error.pub.error_exit = jpegErrorExit;
    job->error.pub.emit_message = jpegEmitMessage;
    job->error.pub.output_message = jpegOutputMessage;
    if (setjmp(job->error.jump)) {
        jpeg_destroy_decompress(&job->cinfo);
        return false;
    }

    jpeg_create_decompress(&job->cinfo);
    job->source.pub.init_source = sourceInit;
    job->source.pub.fill_input_buffer = sourceFill;
    job->source.pub.skip_input_data = sourceSkip;
    job->source.pub.resync_to_restart = jpeg_resync_to_restart;
    job->source.pub.term_source = sourceTerm;
    job->source.pub.next_input_byte = job->source.data;
    job->source.pub.bytes_in_buffer = job->source.size;
    job->cinfo.src = &job->source.pub;

    jpeg_read_header(&job->cinfo, TRUE);

    const long long pixels = static_cast<long long>(job->cinfo.image_width) * job->cinfo.image_height;
    if (pixels > job->maxPixels) {
        std::snprintf(job->error.message, sizeof job->error.message,
                      "JPEG picture too large (%u x %u)", job->cinfo.image_width,
                      job->cinfo.image_height);
        jpeg_destroy_decompress(&job->cinfo);
        return false;
    }

    int components = 0;
    switch (job->cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
        job->cinfo.out_color_space = JCS_GRAYSCALE;
        components = 1;
        break;
    case JCS_YCbCr:
    case JCS_RGB:
        job->cinfo.out_color_space = JCS_RGB;
        components = 3;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        job->cinfo.out_color_space = JCS_CMYK;
        components = 4;
        break;
    default:
        failWith(job, "Unsupported JPEG colour space");
        jpeg_destroy_decompress(&job->cinfo);
        return false;
    }

    jpeg_start_decompress(&job->cinfo);
    if (job->cinfo.output_components != components) {
        failWith(job, "Unsupported JPEG colour space");
        jpeg_destroy_decompress(&job->cinfo);
        return false;
    }

    std::size_t stride = 0;
    unsigned char *target =
        job->allocate(job->target, job->cinfo.output_width, job->cinfo.output_height, &stride);
    if (!target) {
        failWith(job, "Not enough memory for the JPEG picture");
        jpeg_destroy_decompress(&job->cinfo);
        return false;
    }

    // Freed with the decompressor, so a jump out of the loop leaks nothing.
    JSAMPARRAY row = (*job->cinfo.mem->alloc_sarray)(
        reinterpret_cast<j_common_ptr>(&job->cinfo), JPOOL_IMAGE,
        job->cinfo.output_width * JDIMENSION(components), 1);
    const bool invertedCmyk = job->cinfo.saw_Adobe_marker;
    while (job->cinfo.output_scanline < job->cinfo.output_height) {
        const JDIMENSION y = job->cinfo.output_scanline;
        if (jpeg_read_scanlines(&job->cinfo, row, 1) != 1) {
            failWith(job, "JPEG decoder stopped early");
            jpeg_destroy_decompress(&job->cinfo);
            return false;
        }
        storeRow(row[0], target + std::size_t(y) * stride, job->cinfo.output_width, components,
                 invertedCmyk);
    }

    jpeg_finish_decompress(&job->cinfo);
    jpeg_destroy_decompress(&job->cinfo);
    return true;
}

unsigned char *allocateImage(void *target, JDIMENSION width, JDIMENSION height, std::size_t *stride)
{
    auto *image = static_cast<QImage *>(target);
    try {
        *image = QImage(int(width), int(height), QImage::Format_RGB888);
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
    if (image->isNull())
        return nullptr;
    *stride = std::size_t(image->bytesPerLine());
    return image->bits();
}

} // namespace

bool decodeJpeg(const QByteArray &data, QImage &image, QString &errorText, qint64 maxPixels)
{
    image = QImage();
    errorText.clear();
    if (data.isEmpty()) {
        errorText = QStringLiteral("Empty JPEG data");
        return false;
    }

    // Value-initialised: every libjpeg structure starts zeroed, which is what
    // jpeg_destroy_decompress relies on when creation itself fails.
    auto job = std::make_unique<JpegJob>();
    QImage decoded;
    job->source.data = reinterpret_cast<const JOCTET *>(data.constData());
    job->source.size = std::size_t(data.size());
    job->maxPixels = maxPixels;
    job->target = &decoded;
    job->allocate = allocateImage;

    if (!runDecoder(job.get())) {
        errorText = QString::fromLatin1(job->error.message);
        return false;
    }
    image = std::move(decoded);
    return true;
}

bool loadJpegFile(const QString &fileName, QImage &image, QString &errorText, qint64 maxPixels)
{
    image = QImage();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        errorText = fileName + QStringLiteral(": ") + file.errorString();
        return false;
    }
    if (file.size() > kJpegMaxFileSize) {
        errorText = fileName + QStringLiteral(": file too large for a JPEG picture");
        return false;
    }
    return decodeJpeg(file.readAll(), image, errorText, maxPixels);
}
