#!/usr/bin/env python3
"""Checks that the manual page and the bash completion of tessavox-cli know every command, every
option of every command and every environment variable the program reads.

The options come from the program itself: each command's --help ends with the list of options
it reads, made from the table it reads them by. Prints what is missing and fails, or prints
what was checked.

    check_cli_docs.py TESSAVOX-CLI SOURCE-DIR
"""
import re
import subprocess
import sys
from pathlib import Path

COMMON = {"--quiet", "--verbose", "--help", "--version"}


def run(cli, *args):
    return subprocess.run([cli, *args], capture_output=True, text=True, check=True).stdout


def commands_of(cli):
    usage = run(cli, "--help")
    listed = usage.split("Commands:\n", 1)[1].split("\n\n", 1)[0]
    return [m.group(1) for m in re.finditer(r"^  ([a-z]+) ", listed, re.M)]


def options_of(cli, command):
    help_text = run(cli, command, "--help")
    listed = help_text.split("Options:", 1)[1]
    return set(re.findall(r"--[a-z][a-z0-9-]*", listed))


def man_entry(man, command):
    # The command's entry: from its ".TP" line to the next entry or section.
    m = re.search(r"^\.TP\n\\fB" + command + r"\b.*?(?=^\.TP|^\.SH)", man, re.M | re.S)
    return m.group(0) if m else ""


def man_options(text):
    return {o.replace("\\-", "-") for o in re.findall(r"\\-\\-[a-z][a-z0-9]*(?:\\-[a-z0-9]+)*", text)}


def completion_options(completion, command):
    m = re.search(r"^\s*" + command + r"\) options\+=\"([^\"]*)\"", completion, re.M)
    return set(m.group(1).split()) if m else set()


def main():
    cli, source = sys.argv[1], Path(sys.argv[2])
    man = (source / "data/packaging/tessavox-cli.1").read_text()
    completion = (source / "data/packaging/tessavox-cli.bash-completion").read_text()
    missing = []

    common_man = man.split(".SH COMMON OPTIONS", 1)[1].split("\n.SH ", 1)[0] if ".SH COMMON OPTIONS" in man else ""
    described_for_all = man_options(common_man)
    for option in sorted(COMMON - described_for_all):
        missing.append(f"manual page: {option} under COMMON OPTIONS")
    common_completion = re.search(r'local options="([^"]*)"', completion)
    for option in sorted(COMMON - set(common_completion.group(1).split() if common_completion else [])):
        missing.append(f"completion: {option} for every command")

    commands = commands_of(cli)
    listed_commands = re.search(r'local commands="([^"]*)"', completion)
    for command in commands:
        if not listed_commands or command not in listed_commands.group(1).split():
            missing.append(f"completion: the command {command}")
        options = options_of(cli, command) - COMMON
        entry = man_entry(man, command)
        if not entry:
            missing.append(f"manual page: the command {command}")
        for option in sorted(options - man_options(entry) - described_for_all):
            missing.append(f"manual page: {command} {option}")
        for option in sorted(options - completion_options(completion, command)):
            missing.append(f"completion: {command} {option}")

    # Every TESSAVOX_ variable the engine or the command line reads.
    variables = set()
    for path in list((source / "src").rglob("*.cpp")) + list((source / "src").rglob("*.h")):
        if "/app/" in str(path):
            continue
        variables.update(re.findall(r'"(TESSAVOX_[A-Z_]+)"', path.read_text(errors="replace")))
    environment = man.split(".SH ENVIRONMENT", 1)[1].split("\n.SH ", 1)[0] if ".SH ENVIRONMENT" in man else ""
    for variable in sorted(variables):
        if variable.replace("_", r"\_") not in environment and variable not in environment:
            missing.append(f"manual page: the variable {variable} under ENVIRONMENT")

    if missing:
        print("The documentation leaves out:\n  " + "\n  ".join(missing))
        return 1
    print(f"{len(commands)} commands, their options and {len(variables)} variables are in the manual page and the completion")
    return 0


if __name__ == "__main__":
    sys.exit(main())
