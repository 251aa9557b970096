#include "analyses.h"

#include <array>

#include "mapping/mapping_analyses.h"
#include "rna/rna_analyses.h"

namespace ruz {

namespace {

constexpr std::array<AnalysisInfo, 11> kAnalyses = {{
    {"fMatchReadsT_VarSzO", nullptr, "count exact matches of reads of many sizes per genome position",
     kMatchVarSzParameters},
    {"fMatchReadsT_VarSzParted", nullptr, "find reads whose tail lies just before their head",
     kPartedParameters},
    {"fMatchReadsT_VarSzPartedRate", nullptr, "rate the parted positions over a list of reads files",
     kPartedRateParameters},
    {"fIdentifyCircularRna", nullptr, "find circularly permuted reads on both strands",
     kCircularRnaParameters},
    {"RandExt", RandExt, "find reads whose end was replaced, with the entropy of the tips per site",
     kRandExtParameters},
    {"RandExtTaskList", RandExtTaskList, "RandExt for every task line of a task list",
     kRandExtTaskListParameters},
    {"fMapReadsOnToSeq", nullptr, "write the longest exact piece of each read, with a length histogram",
     kMapReadsOnToSeqParameters},
    {"fReadsOutOfSeq", nullptr, "write the coded reads that occur nowhere in the genome",
     kReadsOutOfSeqParameters},
    {"fGetReadsThatOutOfSeq", nullptr, "write the letter reads that occur nowhere in the genome",
     kGetReadsOutOfSeqParameters},
    {"fMapReadsOneInSeq", nullptr, "separate reads found once from reads found many times",
     kMapReadsOneInSeqParameters},
    {"fTestGenomeSborka", nullptr, "measure the repeats of an assembly and the reads contradicting it",
     kTestGenomeParameters},
}};

}  // namespace

AnalysisTable analysisTable() { return kAnalyses; }

}  // namespace ruz
