// What a run of the engine inside the launcher needs: the function, the
// engine's executable, the fixed parameter file and where its results go.
#pragma once

#include <QString>

namespace quellon {

struct RunRequest {
    QString function;
    QString executable;
    QString parameterFile;
    QString resultDirectory;  // where its result files are looked for; empty: nowhere
    // The run has a folder of its own: its console text is kept there too.
    bool ownFolder = false;
};

}  // namespace quellon
