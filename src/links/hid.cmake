# Sources of this link are added by its fragment.
