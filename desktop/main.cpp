#include "desktop/DesktopProgram.h"

int main(int argc, char** argv) {
    return yomida::qt::RunDesktopProgram(argc, argv);
}
