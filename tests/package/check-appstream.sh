#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The AppStream metadata passes appstreamcli's validation offline.
# Usage: check-appstream.sh METAINFO
set -euo pipefail
appstreamcli validate --no-net --explain "$1"
