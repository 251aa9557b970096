// A weight track (bigWig, or bedGraph in a build without libBigWig) as the
// bedGraph lines of its intervals, so that tests compare either form with
// one text: "name<TAB>start<TAB>end<TAB>value" with the value in %g.
#pragma once

#include <string>

namespace ruz::test {

// Empty when the file cannot be read as a track.
std::string weightTrackText(const std::string& path);

}  // namespace ruz::test
