#include "analyses.h"

#include <array>

#include "mapping/mapping_analyses.h"
#include "prep/prep_analyses.h"
#include "rna/rna_analyses.h"

namespace ruz {

namespace {

constexpr std::array<AnalysisInfo, 14> kAnalyses = {{
    {"fMatchReadsT_VarSzO", fMatchReadsT_VarSzO, "count exact matches of reads of many sizes per genome position",
     kMatchVarSzParameters},
    {"fMatchReadsT_VarSzParted", fMatchReadsT_VarSzParted, "find reads whose tail lies just before their head",
     kPartedParameters},
    {"fMatchReadsT_VarSzPartedRate", fMatchReadsT_VarSzPartedRate, "rate the parted positions over a list of reads files",
     kPartedRateParameters},
    {"fIdentifyCircularRna", fIdentifyCircularRna, "find circularly permuted reads on both strands",
     kCircularRnaParameters},
    {"RandExt", RandExt, "find reads whose end was replaced, with the entropy of the tips per site",
     kRandExtParameters},
    {"RandExtTaskList", RandExtTaskList, "RandExt for every task line of a task list",
     kRandExtTaskListParameters},
    {"fMapReadsOnToSeq", fMapReadsOnToSeq, "write the longest exact piece of each read, with a length histogram",
     kMapReadsOnToSeqParameters},
    {"fReadsOutOfSeq", fReadsOutOfSeq, "write the coded reads that occur nowhere in the genome",
     kReadsOutOfSeqParameters},
    {"fGetReadsThatOutOfSeq", fGetReadsThatOutOfSeq, "write the letter reads that occur nowhere in the genome",
     kGetReadsOutOfSeqParameters},
    {"fMapReadsOneInSeq", fMapReadsOneInSeq, "separate reads found once from reads found many times",
     kMapReadsOneInSeqParameters},
    {"fTestGenomeSborka", fTestGenomeSborka, "measure the repeats of an assembly and the reads contradicting it",
     kTestGenomeParameters},
    {"fPrepGenome", fPrepGenome, "write a letter and/or coded genome file from one record of a FASTA(.gz) file",
     kPrepGenomeParameters},
    {"fPrepReads", fPrepReads, "write letter and/or coded reads files from a FASTQ(.gz) or FASTA(.gz) file",
     kPrepReadsParameters},
    {"fLettersToCodes", fLettersToCodes, "write the coded form of a letter genome or letter reads file",
     kLettersToCodesParameters},
}};

}  // namespace

AnalysisTable analysisTable() { return kAnalyses; }

}  // namespace ruz
