#!/usr/bin/env python3
"""Holds the manual pages to the programs they describe: each renders without a warning from man,
and the pages of orvexhd-cli and orvexhd-preview name exactly the commands, options and exit
statuses that the programs' own help shows, with the same synopses and value names.

tests/manual_pages.py PAGES-FOLDER ORVEXHD-CLI ORVEXHD-PREVIEW
"""
import os
import re
import subprocess
import sys
import tempfile

problems = []


def check(condition, problem):
    if not condition:
        problems.append(problem)


def render(page):
    """The page as man shows it, in plain ASCII and wide enough that no line wraps, with each
    tagged paragraph's tag on a line of its own. Checks first that man, asked as Debian's
    checker asks it, has no warning about the page."""
    environment = dict(os.environ, LC_ALL='C.UTF-8', MANWIDTH='200')
    checked = subprocess.run(['man', '--warnings', '-E', 'UTF-8', '-l', '-Tutf8', '-Z', page],
                             env=environment, capture_output=True, text=True)
    check(checked.returncode == 0 and not checked.stderr,
          '%s: man warns: %s' % (page, checked.stderr.strip()))
    # A tag shorter than its paragraph's indent shares its first line; one that is wider does
    # not, and every tag is wider than this indent.
    with open(page) as source:
        text = re.sub(r'^\.TP$', '.TP 1', source.read(), flags=re.M)
    return subprocess.run(['man', '-E', 'ascii', '-l', '-'], input=text, env=environment,
                          capture_output=True, text=True, check=True).stdout


def sections(text):
    """Each section's lines, by its heading (a line at the margin)."""
    found, name = {}, None
    for line in text.splitlines():
        if re.match(r'\S', line):
            name = line.strip()
            found[name] = []
        elif name:
            found[name].append(line)
    return found


def tags(lines):
    """The tags of a section's tagged paragraphs, which render() puts at the first indent."""
    return [line.strip() for line in lines if re.match(r' {7}\S', line)]


def help_of(*command):
    return subprocess.run(command, capture_output=True, text=True, check=True,
                          env=dict(os.environ, ORVEX_SDK_CONFIG='')).stdout


def option_column(line):
    """What a help line says of an option, "-p, --port P" or Qt's "--port <PORT>", as a page's
    tag writes it; None for a line that is no option's."""
    match = re.match(r'  (-\S+(?:, -\S+)*(?: [^ ]+)?)  ', line)
    return re.sub(r'<(\w+)>', r'\1', match.group(1)) if match else None


def help_options(text):
    return [column for column in map(option_column, text.splitlines()) if column]


def long_names(words, columns):
    """The long options that the words name, in either form that the option columns give."""
    names = set()
    for column in columns:
        forms = re.findall(r'-[^\s,]+', column)
        if words is None or any(word in forms for word in words):
            names.add(forms[-1])
    return names


def check_cli(page, cli):
    found = sections(render(page))
    main_help = help_of(cli, '--help')
    commands = re.findall(r'^  ([a-z]+)  ', main_help, re.M)
    entries = {tag.split()[0]: tag for tag in tags(found.get('COMMANDS', []))}
    check(sorted(entries) == sorted(commands + ['help']),
          'orvexhd-cli: the page has the commands %s, the help %s'
          % (sorted(entries), sorted(commands)))

    all_columns = set()
    for command in commands:
        text = help_of(cli, 'help', command)
        columns = help_options(text)
        all_columns.update(columns)
        usage = re.search(r'^Usage: \S+ (.*)$', text, re.M).group(1).split()
        entry = entries.get(command, '').split()
        # Every word of the help's usage, in its order, within the page's synopsis of the command.
        remaining = iter(entry)
        check(all(word in remaining for word in usage),
              'orvexhd-cli %s: the page says "%s", the help "%s"'
              % (command, ' '.join(entry), ' '.join(usage)))
        named = [word.strip('[]') for word in entry if word.strip('[]').startswith('-')]
        taken = long_names(None, columns)
        check(long_names(named, columns) == taken - {'--help'} and
              len(long_names(named, columns)) == len(named),
              'orvexhd-cli %s: the page names %s, the help %s'
              % (command, sorted(named), sorted(taken - {'--help'})))

    page_columns = set(tag for tag in tags(found.get('OPTIONS', [])) if tag.startswith('-'))
    version = subprocess.run([cli, '--version'], capture_output=True, text=True)
    check(version.returncode == 0 and version.stdout.startswith('orvexhd-cli '),
          'orvexhd-cli --version does not answer as the page says')
    check(page_columns == all_columns | {'--version'},
          'orvexhd-cli: options only in the page %s, only in the help %s'
          % (sorted(page_columns - all_columns - {'--version'}),
             sorted(all_columns - page_columns)))

    statuses = re.findall(r'(?:: |; )(\d) ', re.search(r'^Exit status: .*$', main_help,
                                                       re.M).group(0))
    page_statuses = [tag for tag in tags(found.get('EXIT STATUS', [])) if tag.isdigit()]
    check(page_statuses == statuses,
          'orvexhd-cli: the page has the exit statuses %s, the help %s'
          % (page_statuses, statuses))


def check_preview(page, preview):
    found = sections(render(page))
    page_columns = sorted(tag for tag in tags(found.get('OPTIONS', [])) if tag.startswith('-'))
    help_columns = sorted(help_options(help_of(preview, '--help')))
    check(page_columns == help_columns,
          'orvexhd-preview: the page has the options %s, the help %s'
          % (page_columns, help_columns))


# Pages drifted from the programs by one edit each: (page, text, drifted text). The checks above
# must notice each, in either direction: an entry the help no longer has, one the page lacks, a
# value named otherwise, a command's synopsis short of an option.
DRIFTS = [
    ('orvexhd-preview.1', '.B \\-\\-version\n', '.B \\-\\-fps\nGone.\n.TP\n.B \\-\\-version\n'),
    ('orvexhd-preview.1', '.TP\n.B \\-\\-list\\-devices\n', ''),
    ('orvexhd-cli.1', '.BI \\-\\-watch " SECONDS"', '.BI \\-\\-watch " S"'),
    ('orvexhd-cli.1', '.TP\n.B \\-\\-auto\n', '.TP\n.B \\-\\-auto\n.TP\n.B \\-\\-fast\nGone.\n'),
    ('orvexhd-cli.1', ' [\\fB\\-\\-count \\fIN\\fR] [\\fB\\-\\-json\\fR]\nReads', ' [\\fB\\-\\-json\\fR]\nReads'),
]


def check_drifts_noticed(pages, checkers):
    for name, text, drifted in DRIFTS:
        with open(os.path.join(pages, name)) as source:
            page = source.read()
        with tempfile.TemporaryDirectory() as folder:
            copy = os.path.join(folder, name)
            with open(copy, 'w') as target:
                target.write(page.replace(text, drifted, 1))
            before = len(problems)
            checkers[name](copy)
            noticed = len(problems) > before
            del problems[before:]
        check(text in page and noticed, '%s: a page drifted to %r passes' % (name, drifted))


def main():
    pages, cli, preview = sys.argv[1:4]
    checkers = {'orvexhd-cli.1': lambda page: check_cli(page, cli),
                'orvexhd-preview.1': lambda page: check_preview(page, preview)}
    render(os.path.join(pages, 'orvexhd.1'))
    for name, checker in checkers.items():
        checker(os.path.join(pages, name))
    if not problems:
        check_drifts_noticed(pages, checkers)
    for problem in problems:
        print('manual_pages: ' + problem)
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
