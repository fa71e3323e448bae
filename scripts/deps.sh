#!/bin/sh
# Makes sure that cmake, g++, GoogleTest and the libraries (expat, GMP, nlohmann-json) are there; installs them with apt-get when run as
# root, otherwise says what to install.
missing=""
command -v cmake >/dev/null 2>&1 || missing="$missing cmake"
command -v g++ >/dev/null 2>&1 || missing="$missing g++"
command -v make >/dev/null 2>&1 || missing="$missing make"
[ -f /usr/include/gtest/gtest.h ] || [ -f /usr/local/include/gtest/gtest.h ] || missing="$missing libgtest-dev"
[ -f /usr/include/expat.h ] || missing="$missing libexpat1-dev"
[ -f /usr/include/gmpxx.h ] || missing="$missing libgmp-dev"
[ -f /usr/include/nlohmann/json.hpp ] || missing="$missing nlohmann-json3-dev"
[ -z "$missing" ] && exit 0
if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null 2>&1; then
  echo "installing:$missing"
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $missing >/dev/null || exit 1
else
  echo "Pelorin needs:$missing. Install them, for example: sudo apt-get install$missing" >&2
  exit 1
fi
