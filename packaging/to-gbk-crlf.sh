#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# to-gbk-crlf.sh IN OUT: a UTF-8 text as the program's settings file is written, GBK with CRLF ends.
set -eu
iconv -f UTF-8 -t GBK "$1" | sed 's/$/\r/' > "$2"
