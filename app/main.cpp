// pathfolio: the desktop program.
#include "app/PathfolioApp.h"

int main(int argc, char** argv) {
    return CPathfolioApp::Run(argc, argv);
}
