// A record read and made into its report, as "merrowby report" and "Open Record..." do: the
// content, the pages laid out and painted on a PDF, the dumps' plots drawn. Every input ends
// (libFuzzer's -timeout), and nothing of the record is left out at a page's foot: every block's
// every unit is placed once, each within the page's body.

#include <sys/mman.h>
#include <unistd.h>

#include <QApplication>
#include <QBuffer>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <cstdint>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "report/ReportContent.h"
#include "report/ReportLayout.h"
#include "report/ServiceReport.h"

namespace {

// The record's file: one for the whole run, written anew for each input.
int RecordFd() {
    static const int fd = ::memfd_create("record", MFD_CLOEXEC);
    return fd;
}

void CheckPlacements(const ReportLayout& layout, std::size_t blocks) {
    std::vector<int> placed(blocks, 0);
    for (const ReportLayout::Page& page : layout.Pages()) {
        for (const ReportLayout::Placement& placement : page.placements) {
            FUZZ_CHECK(placement.block < blocks);
            FUZZ_CHECK(placement.first == placed[placement.block]);
            FUZZ_CHECK(placement.last > placement.first);
            FUZZ_CHECK(placement.top + placement.height <= layout.Body().height() + 1e-6);
            placed[placement.block] = placement.last;
        }
    }
    for (std::size_t block = 0; block < blocks; ++block) {
        FUZZ_CHECK(placed[block] == layout.Units(block));
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        qputenv("XDG_RUNTIME_DIR", "/tmp");
    }
    static QApplication application(*argc, *argv);
    FUZZ_CHECK(RecordFd() >= 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int fd = RecordFd();
    FUZZ_CHECK(::ftruncate(fd, 0) == 0);
    FUZZ_CHECK(::pwrite(fd, data, size, 0) == static_cast<ssize_t>(size));
    QString error;
    const ServiceReport report =
        ServiceReport::FromRecord(QStringLiteral("/proc/self/fd/%1").arg(fd), nullptr, error);
    if (!error.isEmpty()) {
        return 0;
    }
    const ReportContent content = ReportContent::From(report);
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(72);
    const ReportLayout layout(content, writer);
    FUZZ_CHECK(layout.PageCount() >= 1);
    CheckPlacements(layout, content.blocks.size());
    QPainter painter;
    FUZZ_CHECK(painter.begin(&writer));
    for (int page = 0; page < layout.PageCount(); ++page) {
        FUZZ_CHECK(page == 0 || writer.newPage());
        layout.PaintPage(painter, page, report);
    }
    FUZZ_CHECK(painter.end());
    return 0;
}
