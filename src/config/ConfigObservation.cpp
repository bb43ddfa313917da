#include "config/ConfigObservation.h"

#include "config/ConfigStoreError.h"

namespace flitbar {

ConfigObservation ConfigObservation::of(const ConfigStore& store) {
  try {
    return {Kind::contents, store.exportData()};
  } catch (const ConfigStoreError& error) {
    return {Kind::unreadable, error.description()};
  }
}

}  // namespace flitbar
