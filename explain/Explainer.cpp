#include "explain/Explainer.h"

int runExplain(const ExplainRequest& request) {
    (void)request;
    return 2;
}
