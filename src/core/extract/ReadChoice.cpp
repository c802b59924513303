#include "extract/ReadChoice.h"

namespace corvane {

bool AutoReadsAsText(const DatasetInfo& dataset) {
    return dataset.Recfm.Kind == 'F';
}

bool TextOffered(const DatasetInfo& dataset) {
    return dataset.Recfm.Kind == 'F' || dataset.Recfm.Kind == 'V';
}

}  // namespace corvane
