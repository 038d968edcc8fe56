// The scenario checker on a one-scene scenario: the input is its Opning.dat.
#include "FuzzSupport.h"
#include "app/ScenarioCheck.h"

#include <QDir>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qel::fuzz::start();
    qel::fuzz::writePictures();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qel::fuzz::writeFile("Opning.dat", qel::fuzz::bytes(data, size));
    QString failure;
    auto report = qel::CheckScenario(QString(), &failure);
    if (!report) std::abort();  // the scene is there and readable
    for (const qel::CheckIssue& i : report->issues) i.text();
    return 0;
}
