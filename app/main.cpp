// pathfolio: the desktop program.
#include "app/PathfolioApp.h"
#include "platform/StandardDescriptors.h"

int main(int argc, char** argv) {
    OpenClosedStandardDescriptors();
    return CPathfolioApp::Run(argc, argv);
}
