#include "support/weight_track_text.h"

#include <cstdio>
#include <sstream>

#include "support/test_files.h"

#if defined(RUZ_HAVE_BIGWIG)
extern "C" {
#include <bigWig.h>
}
#endif

namespace ruz::test {

namespace {

std::string line(const std::string& chrom, long long start, long long end, double value) {
    char text[64];
    std::snprintf(text, sizeof text, "\t%lld\t%lld\t%g\n", start, end, value);
    return chrom + text;
}

}  // namespace

#if defined(RUZ_HAVE_BIGWIG)

std::string weightTrackText(const std::string& path) {
    bigWigFile_t* bw = bwOpen(const_cast<char*>(path.c_str()), nullptr, "r");
    if (!bw) return {};
    std::string text;
    for (std::int64_t c = 0; c < bw->cl->nKeys; ++c) {
        const std::string chrom = bw->cl->chrom[c];
        bwOverlappingIntervals_t* found = bwGetOverlappingIntervals(bw, bw->cl->chrom[c], 0, bw->cl->len[c]);
        if (!found) continue;
        for (std::uint32_t i = 0; i < found->l; ++i) text += line(chrom, found->start[i], found->end[i], found->value[i]);
        bwDestroyOverlappingIntervals(found);
    }
    bwClose(bw);
    return text;
}

#else

std::string weightTrackText(const std::string& path) {
    std::istringstream in(readFile(path));
    std::string text, row;
    while (std::getline(in, row)) {
        if (row.rfind("track ", 0) == 0) continue;
        std::istringstream fields(row);
        std::string chrom;
        long long start = 0, end = 0;
        double value = 0.0;
        if (fields >> chrom >> start >> end >> value) text += line(chrom, start, end, value);
    }
    return text;
}

#endif

}  // namespace ruz::test
