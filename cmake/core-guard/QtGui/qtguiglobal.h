#error "taviro_core links QtCore only: GUI code belongs in the taviro GUI target"
