# Paths of the build under test, given by CTest: the command line, the simulator
# and the sample log.
import os
import subprocess

import pytest


@pytest.fixture(scope="session")
def convert_binary():
    return os.environ["QUILLON_CONVERT"]


@pytest.fixture(scope="session")
def sample_log():
    return os.environ["KLF_SAMPLE"]


@pytest.fixture(scope="session")
def simulator_logs(tmp_path_factory):
    """Four small simulator logs of different drives."""
    folder = tmp_path_factory.mktemp("drives")
    paths = []
    for seed in (1, 2, 3, 4):
        path = folder / f"drive{seed}.klf"
        subprocess.run([os.environ["KLF_SYNTH"], str(path), "--seed", str(seed), "--megabytes", "0.6"], check=True)
        paths.append(str(path))
    return paths


@pytest.fixture(scope="session")
def catalogue(convert_binary):
    """Index -> (short name, type) of --list-fields."""
    lines = subprocess.run([convert_binary, "--list-fields"], check=True, capture_output=True, text=True).stdout
    fields = {}
    for line in lines.splitlines():
        index, _, short, kind = line.split("\t")
        fields[int(index)] = (short, kind)
    return fields
