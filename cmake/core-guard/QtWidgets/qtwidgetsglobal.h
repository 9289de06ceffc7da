#error "taviro_core links QtCore only: widget code belongs in the taviro GUI target"
