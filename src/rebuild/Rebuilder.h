#pragma once
// The rebuilder and merger land here.
