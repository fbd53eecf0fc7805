// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/app_main.h"

int main(int argc, char** argv) {
    return vireo::RunVireo(argc, argv);
}
