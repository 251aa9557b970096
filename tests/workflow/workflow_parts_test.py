#!/usr/bin/env python3
"""The workflow's parts that need no cluster: the report each analysis
job waits for, named from the engine's own list of result files; the
Slurm states as the status script maps them; the sample a submitted job
belongs to.

usage: workflow_parts_test.py ENGINE SOURCE_DIR"""
import importlib.util
import os
import sys
import unittest

ENGINE, SOURCE = sys.argv[1], sys.argv[2]
sys.dont_write_bytecode = True


def load(name, path):
    found = importlib.util.spec_from_file_location(name, os.path.join(SOURCE, path))
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


rj = load("ruzovizu_jobs", "workflow/ruzovizu_jobs.py")
status = load("status", "workflow/profiles/slurm/status.py")
submit = load("submit", "workflow/profiles/slurm/submit.py")


class CommittedReport(unittest.TestCase):
    def test_every_analysis_names_the_report_its_engine_writes(self):
        listing = rj.engine_listing(ENGINE)
        common = {"diRes": "/r/job", "pthReads": "/r/reads/s1.txt", "pthGnm": "/r/genome/genome.bin",
                  "rMinSz": "16", "rMaxSz": "60"}
        cases = {
            "RandExt": ({"experimentId": "blank", "immutSz": "30", "mutTipSz": "16", "misNu": "0"},
                        "/r/job/RnaCut_s1_30!16!0!.txt"),
            "fIdentifyCircularRna": ({}, "/r/job/s1_RCircular.txt"),
            "fMatchReadsT_VarSzParted": ({}, "/r/job/s1[16-60]genome_Parted.txt"),
            "fMatchReadsT_VarSzPartedRate": ({}, "/r/job/_RatingLog.txt"),
            "fMatchReadsT_VarSzO": ({}, "/r/job/s1[16-60]genome_Log.txt"),
            "fMapReadsOneInSeq": ({}, "/r/job/s1[One]genome_Clust.txt"),
            "fMapReadsOnToSeq": ({}, "/r/job/s1_In[16-60]genome_Log.txt"),
            "fReadsOutOfSeq": ({}, "/r/job/s1_Out.bin"),
            "fGetReadsThatOutOfSeq": ({}, "/r/job/s1_Outgenome.txt"),
            "fTestGenomeSborka": ({}, "/r/job/RepTest_genome_Log.txt"),
        }
        for function, (values, report) in cases.items():
            with self.subTest(function):
                self.assertEqual(rj.committed_result(listing[function][1], {**common, **values}), report)

    def test_experiment_names_as_the_engine_makes_them(self):
        pattern = ["{diRes}/{experimentId}_{immutSz}!{mutTipSz}!{misNu}!.txt"]
        sizes = {"diRes": "d", "pthReads": "x/s.1.txt", "immutSz": "2", "mutTipSz": "3", "misNu": "1"}
        self.assertEqual(rj.committed_result(pattern, {**sizes, "experimentId": "blank"}), "d/RnaCut_s.1_2!3!1!.txt")
        self.assertEqual(rj.committed_result(pattern, {**sizes, "experimentId": "exp.A"}), "d/exp_A_2!3!1!.txt")

    def test_tracks_and_numbered_reports_are_not_waited_for(self):
        with self.assertRaises(rj.WorkflowError):
            rj.committed_result(["{diRes}/a_Up{1..}.txt", "{diRes}/a.bed", "{pthReads:noext}Many.bin"], {})


class SlurmStates(unittest.TestCase):
    def test_states_map_to_snakemakes_answers(self):
        cases = [("COMPLETED", "success"), ("RUNNING", "running"), ("PENDING", "running"),
                 ("COMPLETING", "running"), ("CANCELLED", "failed"), ("CANCELLED+", "failed"),
                 ("CANCELLED by 0", "failed"), ("TIMEOUT", "failed"), ("FAILED", "failed"),
                 ("OUT_OF_MEMORY", "failed"), ("NODE_FAIL", "failed"), ("PREEMPTED", "failed"),
                 ("", None), ("SOMETHING_NEW", None)]
        for state, answer in cases:
            with self.subTest(state):
                self.assertEqual(status.verdict(state), answer)


class SubmittedSample(unittest.TestCase):
    def test_the_sample_of_a_job_or_a_group(self):
        results = "/w/results"
        cases = [({"type": "single", "rule": "reads", "wildcards": {"sample": "s7", "form": "txt"}}, "s7"),
                 ({"type": "group", "output": ["results/RandExt/s2/run/RnaCut_s2_30!16!0!.txt"]}, "s2"),
                 ({"type": "group", "output": ["results/reads/s3.bin"]}, "s3"),
                 ({"type": "single", "rule": "genome", "wildcards": {"form": "txt"},
                   "output": ["results/genome/genome.txt"]}, "all")]
        for properties, sample in cases:
            # Snakemake gives the outputs relative to its folder, /w here.
            properties = dict(properties)
            properties["output"] = [os.path.join("/w", p) for p in properties.get("output", [])]
            with self.subTest(sample):
                self.assertEqual(submit.sample_of(properties, results), sample)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=1)
