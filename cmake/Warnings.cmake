# Warnings on for every target of the project; third-party headers come in as system includes.
add_compile_options(-Wall -Wextra -Wpedantic)
