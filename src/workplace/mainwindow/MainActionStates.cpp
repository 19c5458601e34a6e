#include "MainActionStates.h"

MainActionStates ComputeMainActionStates(const MainActionInput &input)
{
    MainActionStates states;
    const bool listUsable = !input.stopFlag && input.listOpen && input.listHasRows;
    states.edit = listUsable && (input.currentStatus == 6 || input.duplicateInProgress);
    states.mayPrintOriginal = !input.stopFlag && !states.edit;
    states.viewAndPrint = listUsable;
    states.caption = states.viewAndPrint
                         ? input.applicationTitle + QStringLiteral(" - ") + QString::fromUtf8(input.referenceNo)
                         : input.applicationTitle;
    states.administration = input.currentUserId == 1 && !input.stopFlag;
    states.options = input.currentUserId == 1;
    return states;
}
