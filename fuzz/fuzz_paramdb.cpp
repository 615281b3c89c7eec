// The parameter file loader: SQLite files, and Access files through the
// helper process. Loads or refuses, never more than the limit of records.
#include "FuzzSupport.h"
#include "paramdb/ParameterRecord.h"
#include "paramdb/ParameterStore.h"

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    dr420::fuzz::setUp(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    dr420::ParameterTable().clear();
    const dr420::LoadResult r = dr420::LoadParameterTable(dr420::fuzz::asFile(data, size, ".mdb"));
    if (r.loaded != int(dr420::ParameterTable().size()) || r.loaded > dr420::kMaxParameters)
        std::abort();
    for (const auto &record : dr420::ParameterTable())
        for (QChar c : record.PNO)
            if (c.category() == QChar::Other_Control)
                std::abort();
    return 0;
}
