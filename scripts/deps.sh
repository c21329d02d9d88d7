#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, when
# any is missing. Sourced by the quick-start and test scripts; run as root.
set -euo pipefail

ORVELLO_PACKAGES=(
  cmake ninja-build g++ pkg-config
  libopencv-dev libjpeg62-turbo-dev
  googletest libgtest-dev libgmock-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libcli11-dev nlohmann-json3-dev
  libssl-dev python3-ezdxf
  libtesseract-dev tesseract-ocr-eng
  clang libclang-rt-dev clang-format
  chromium
)

orvello_install_deps() {
  local missing=()
  for package in "${ORVELLO_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' \
      || missing+=("$package")
  done
  if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}
