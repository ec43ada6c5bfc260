#include "locations/location_director.h"

// Ratings go into the pilot's profile with the profiles' own work; until then the
// session totals stay where they are.
void CLocationDirector::SaveRating() {}
