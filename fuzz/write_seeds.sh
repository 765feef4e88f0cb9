#!/usr/bin/env bash
# Writes the seed corpus of each fuzz target into DIR/<target>/.
set -euo pipefail
dir=$1
vehicle=$'\xbc\xf7\xe7\xec\xe1;'   # Όχημα;
driver=$'\xcf\xe4\xe7\xe3\xfc\xf2;'  # Οδηγός;
date=$'\xc7\xec\xe5\xf1\xef\xec\xe7\xed\xdf\xe1;'  # Ημερομηνία;
title=$'\xbf\xf1\xe1;'  # Ώρα;
nofix=$'\xc1\xcd\xc1\xc6\xc7\xd4\xc7\xd3\xc7 \xc4\xcf\xd1\xd5\xd6\xcf\xd1\xd9\xcd'
c=$dir/fuzz_convert
printf '%s\r\n' "${vehicle}A&B<1>;" "${driver}X;" "${date}01/02/2010;" "${title}T" \
  "10:00:05;x;12;y;38,1;23,7;z" "10:00:00;x;0;y;${nofix};;z" >"$c/example"
printf '%s\n' "${title}" "t;;1;;2" "" "a;b" >"$c/lf-short-rows"
printf 'a\rb\n\r%s\r\r\nx\0y' "${vehicle}" >"$c/breaks-and-nul"
printf '%s' "${title}" >"$c/title-last"
printf '\x01\x7f\x81\xaa\xd2\xff;%s;;;\x80;\x0b' "${nofix} " >"$c/bytes"
t=$dir/fuzz_textfun
printf '\x02;\x01\x02,.a,b,,c' >"$t/comma"
printf '\x00;\x04\x04.csv.kmla.csv.csv' >"$t/csv"
printf '\xff;\x02\x01aab aaa' >"$t/overlap"
p=$dir/fuzz_pane
printf '\x80\x03abc\x81\x00\x82\x02\r\n\x83\x05a\rb\nc\x84\x00\x85\x00\x80\x01z' >"$p/ops"
printf '\x03\x06A\r\r\nB\x80\x02xy\x02\x00\x80\x00' >"$p/load-append"
